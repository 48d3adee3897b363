#pragma once

#include "rows/row_fields.h"
#include "sql/sql_lexer.h"

namespace pgdump2pl {

// Reads one element of a VALUES tuple, from the current token up to the
// `,` or `)` that ends it (then current), into a new field of `row`.
// NULL, DEFAULT, TRUE, FALSE, numbers (signed, in parentheses) and
// strings are values, also under casts (`'x'::date`, `CAST(1 AS int)`,
// `date '2020-01-01'`), which leave the text as written; anything else
// is an expression, kept as its SQL text.
void read_value_expression(SqlLexer& lexer, RowFields& row);

}  // namespace pgdump2pl
