#pragma once

#include <cstdint>

#include "io/bytes.h"
#include "layouts/integer_slot.h"

namespace pgdump2pl {

// The fields of a row, read as the C library's scanf reads "%s" and "%i"
// in the C locale. A row ends at its line end or at a zero byte, and
// kReadSlack more readable bytes follow that end, so that it can be read
// eight bytes at a time.

// Skips the whitespace before a field, up to the end of the row.
inline const char* skip_space_in_row(const char* row) {
  while (*row != '\n' && is_space(static_cast<unsigned char>(*row))) ++row;
  return row;
}

// Whitespace and zero end a word ("%s"); a word field that starts at such
// a byte fails. Reading a word and writing it as a fact's text are done in
// one pass: see write_quoted_word().
inline bool ends_word(char c) { return c == '\0' || is_space(static_cast<unsigned char>(c)); }

// Where an integer field read stopped, and whether it read one; on failure
// the slot is left as it was. `as_spelled`: the slot's text is the field's
// own bytes, just before `next`, so they can be copied from the row.
struct IntegerScan {
  const char* next;
  bool ok;
  bool as_spelled;
};

// Skips whitespace, then reads an optionally signed integer whose prefix
// gives its base (0x or 0X hexadecimal, 0 octal, else decimal), stopping
// at the first byte that cannot continue it. Fails when no digit comes,
// or when 0x is not followed by a hexadecimal digit. Values beyond the
// signed 64-bit range give the nearer bound, as strtoll does.
IntegerScan read_integer(const char* row, IntegerSlot& dest);

}  // namespace pgdump2pl
