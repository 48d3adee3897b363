#include "sql/catalog.h"
