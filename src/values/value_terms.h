#pragma once

#include <cstddef>
#include <string_view>

#include "values/column_type.h"

namespace pgdump2pl {

// The room write_value_term() may need for a value of `size` bytes: an
// exponent may add up to a thousand digits; a numeric whose exponent
// adds more stays text.
constexpr std::size_t value_term_bound(std::size_t size) { return size + 1040; }

// Writes the value `text` (not NULL, already decoded from its COPY or SQL
// form) as the term that a column of `type` holds after PostgreSQL's
// input function has read it: an integer, a float SWI-Prolog reads back
// as the same double, true or false. Returns the end, or nullptr when the
// type cannot hold the value (bad syntax, out of range) or is text; the
// caller then writes the text as a quoted atom. `numeric_literal` is set
// for an SQL number (not a string) put in an integer column, which
// PostgreSQL rounds as it casts: 2.5 is 3 there.
char* write_value_term(const ColumnType& type, std::string_view text, char* out, bool numeric_literal = false);

}  // namespace pgdump2pl
