#include "values/column_type.h"
