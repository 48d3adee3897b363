#pragma once

// Byte helpers shared by the dump reader and the fact writer.

#include <cstddef>

namespace pgdump2pl {

// The C locale's whitespace: tab, line end, vertical tab, form feed,
// carriage return and blank. Bytes from 128 up never are.
constexpr bool is_space(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Bytes that may be read past the end of a text or of a row, so that the
// hot loops take eight bytes at a time without a tail loop. Every buffer
// such a loop reads keeps this many readable bytes after its contents.
constexpr std::size_t kReadSlack = 7;

}  // namespace pgdump2pl
