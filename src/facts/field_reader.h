#pragma once

#include <cstdint>

#include "facts/text_slot.h"

namespace pgdump2pl {

// Where a field read stopped, and whether it read one. On failure the
// destination is left as it was.
struct FieldScan {
  const char* next;
  bool ok;
};

// The fields of a row, read as the C library's scanf reads "%s" and "%i"
// in the C locale. A row is zero-terminated, and a zero byte inside it
// ends it too. After its terminating zero come kReadSlack more readable
// bytes, so that it can be read eight bytes at a time.

// Skips whitespace, then takes the longest run of bytes that are neither
// whitespace nor zero; fails when there is none.
FieldScan read_word(const char* row, TextSlot& dest);

// Skips whitespace, then reads an optionally signed integer whose prefix
// gives its base (0x or 0X hexadecimal, 0 octal, else decimal), stopping
// at the first byte that cannot continue it. Fails when no digit comes,
// or when 0x is not followed by a hexadecimal digit. Values beyond the
// signed 64-bit range give the nearer bound, as strtoll does.
FieldScan read_integer(const char* row, std::int64_t& dest);

}  // namespace pgdump2pl
