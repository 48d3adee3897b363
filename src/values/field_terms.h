#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "facts/row_fit.h"
#include "rows/row_fields.h"
#include "values/column_type.h"
#include "values/dialect_terms.h"
#include "values/text_encoding.h"
#include "values/value_terms.h"

namespace pgdump2pl {

// What keeps a value from being a term of a column of `kind`: that it
// does not read as the kind.
FieldProblem problem_of_kind(ColumnKind kind);

// The room write_field_term() needs for a field of `size` bytes.
constexpr std::size_t field_term_bound(std::size_t size) {
  return std::max(value_term_bound(size) + kDialectTermGrowth, atom_text_bound(size) + 2);
}

// Writes `field` (a value, NULL or an expression: a default is resolved
// before) at `out` as the term a column of `type` holds, in `encoding`,
// and returns the end. `problem` tells what kept the term from being the
// column's own value: a value the type cannot hold or bytes the encoding
// does not know (written as a quoted atom of the text), or an expression
// (the atom of its SQL text), or a number `dialect` cannot read (the
// atom of its text, FieldProblem::dialect).
char* write_field_term(const ColumnType& type, const Field& field, const TextEncoding& encoding, char* out,
                       FieldProblem& problem, PrologDialect dialect = PrologDialect::swi);

// `'text'` for UTF-8 text, its control bytes escaped, for a functor that
// is not a plain atom.
std::string quoted_utf8_atom(std::string_view text);

}  // namespace pgdump2pl
