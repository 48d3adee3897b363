#pragma once

#include <cstddef>
#include <cstring>
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

// The integers and booleans of nearly every row, as pg_dump writes them
// in COPY and in INSERT, copied at once; nullptr for anything else, which
// write_value_term() then reads.
inline char* write_printed_value(const ColumnType& type, std::string_view text, char* out) {
  const auto put = [&out](std::string_view word) {
    std::memcpy(out, word.data(), word.size());
    return out + word.size();
  };
  if (type.kind == ColumnKind::boolean) {
    if (text == "t" || text == "true") return put("true");
    if (text == "f" || text == "false") return put("false");
    return nullptr;
  }
  if (type.kind != ColumnKind::integer) return nullptr;
  const std::size_t always_fits = type.integer_bytes == 2   ? 4
                                  : type.integer_bytes == 4 ? 9
                                  : type.integer_bytes == 8 ? 18
                                                            : 0;
  const std::size_t sign = text.starts_with('-') ? 1 : 0;
  const std::size_t digits = text.size() - sign;
  if (digits == 0 || digits > always_fits || (text[sign] == '0' && (digits > 1 || sign == 1))) return nullptr;
  for (std::size_t i = sign; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return nullptr;
  }
  return put(text);
}

}  // namespace pgdump2pl
