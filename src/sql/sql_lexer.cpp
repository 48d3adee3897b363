#include "sql/sql_lexer.h"
