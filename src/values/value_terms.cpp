#include "values/value_terms.h"
