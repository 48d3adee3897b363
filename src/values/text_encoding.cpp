#include "values/text_encoding.h"
