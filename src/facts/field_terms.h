#pragma once

#include "facts/fact_writer.h"
#include "facts/row_fit.h"
#include "rows/row_fields.h"
#include "values/column_type.h"
#include "values/text_encoding.h"

namespace pgdump2pl {

// Writes `field` (a value, NULL or an expression: a default is resolved
// before) as the term a column of `type` holds, in `encoding`. Returns
// what kept the term from being the column's own value: a value the
// type cannot hold or bytes the encoding does not know (written as a
// quoted atom of the text), or an expression (the atom of its SQL).
FieldProblem write_field_term(const ColumnType& type, const Field& field, const TextEncoding& encoding,
                              FactWriter& out);

// `'text'`, converted from `encoding`, for a functor that is not a plain atom.
std::string quoted_atom(std::string_view text, const TextEncoding& encoding);

}  // namespace pgdump2pl
