#pragma once

#include <cstdint>
#include <string>

#include "values/column_type.h"

namespace pgdump2pl {

// Whether storing a string of `size` bytes into a column of `type` may
// change it. A value of type character (N'...', or one cast to it) may
// change in any string column.
inline bool may_refit(const ColumnType& type, std::size_t size, bool blank_padded) {
  if (type.characters == ColumnType::Characters::other) return false;
  return blank_padded || type.characters == ColumnType::Characters::padded ||
         (type.length > 0 && size > static_cast<std::size_t>(type.length));
}

// What an explicit cast to character(n) or varchar(n) does to the UTF-8
// `text`: cut to n characters, however long; padded to n blanks for
// character(n).
void cast_characters(std::int32_t length, bool blank_padded, std::string& text);

// What PostgreSQL does to the UTF-8 `text` as a column of `type` stores
// it: a value of type character (`blank_padded`) loses its trailing
// blanks in text and varchar; character(n) pads to n blanks; character(n)
// and varchar(n) drop the blanks beyond n. False when other characters lie
// beyond n, which PostgreSQL refuses: `text` is then kept whole.
bool fit_characters(const ColumnType& type, bool blank_padded, std::string& text);

}  // namespace pgdump2pl
