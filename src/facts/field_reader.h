#pragma once

#include <cstdint>
#include <string>

namespace pgdump2pl {

// Where a field read stopped, and whether it read one. On failure the
// destination is left as it was.
struct FieldScan {
  const char* next;
  bool ok;
};

// The fields of a row, read as the C library's scanf reads "%s" and "%i"
// in the C locale. A row is zero-terminated, and a zero byte inside it
// ends it too.

// Skips whitespace, then takes the longest run of bytes that are neither
// whitespace nor zero; fails when there is none. `row_end` points at the
// row's terminating zero: the bytes up to it may be read in blocks.
FieldScan read_word(const char* row, const char* row_end, std::string& dest);

// Skips whitespace, then reads an optionally signed integer whose prefix
// gives its base (0x or 0X hexadecimal, 0 octal, else decimal), stopping
// at the first byte that cannot continue it. Fails when no digit comes,
// or when 0x is not followed by a hexadecimal digit. Values beyond the
// signed 64-bit range give the nearer bound, as strtoll does.
FieldScan read_integer(const char* row, std::int64_t& dest);

}  // namespace pgdump2pl
