#pragma once

// Byte classes shared by the dump readers, the lexer and the fact writer,
// and by the loader's plain-fact reader. Inline, as they sit in loops that
// run per byte.

#include <cstddef>
#include <string>
#include <string_view>

namespace pgdump2pl {

// The C locale's whitespace: tab, line end, vertical tab, form feed,
// carriage return and blank. Bytes from 128 up never are.
constexpr bool is_space(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The value of a hex digit, or -1 for any other byte (and for a reader's
// -1 at the end of its input).
constexpr int hex_value(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A byte that continues a UTF-8 character rather than starting one.
constexpr bool is_utf8_continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of the UTF-8 character at `p` as PostgreSQL accepts it (no
// overlong form, no surrogate, nothing above U+10FFFF); 0 when invalid,
// and for an ASCII byte, which callers take on their own.
constexpr std::size_t utf8_length(const unsigned char* p, const unsigned char* end) {
  const unsigned char lead = p[0];
  if (lead < 0xC2 || lead > 0xF4) return 0;
  const std::size_t length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  if (static_cast<std::size_t>(end - p) < length) return 0;
  unsigned char low = 0x80;  // bounds of the second byte
  unsigned char high = 0xBF;
  if (lead == 0xE0) low = 0xA0;
  if (lead == 0xED) high = 0x9F;
  if (lead == 0xF0) low = 0x90;
  if (lead == 0xF4) high = 0x8F;
  if (p[1] < low || p[1] > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (p[i] < 0x80 || p[i] > 0xBF) return 0;
  }
  return length;
}

// Appends `code`, a Unicode scalar value (no surrogate, nothing above
// U+10FFFF), in UTF-8.
inline void append_utf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The line that ends a COPY's data: one that starts with `\.`.
constexpr bool is_end_of_copy_data(std::string_view line) {
  return line.size() >= 2 && line[0] == '\\' && line[1] == '.';
}

// Bytes that may be read past the end of a text or of a row, so that the
// hot loops take eight bytes at a time without a tail loop. Every buffer
// such a loop reads keeps this many readable bytes after its contents.
constexpr std::size_t kReadSlack = 7;

}  // namespace pgdump2pl
