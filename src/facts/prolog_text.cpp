#include "facts/prolog_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "io/bytes.h"
#include "io/swar.h"

namespace pgdump2pl {
namespace {

constexpr bool starts_prolog_escape(char c) {
  return c == '\\' || c == 'b' || c == 'f' || c == 'n' || c == 'r' || c == 't' || c == 'v';
}

constexpr bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
constexpr bool is_alnum_or_underscore(char c) {
  return is_lower(c) || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// \xHH, as warnings write a byte.
char* write_hex_escape(char* out, unsigned char byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  *out++ = '\\';
  *out++ = 'x';
  *out++ = kDigits[byte >> 4];
  *out++ = kDigits[byte & 15];
  return out;
}

}  // namespace

char* write_quoted(char* out, std::string_view text) {
  *out++ = '\'';
  const char* p = text.data();
  out = write_quoted_part(out, p, p + text.size(), text.size());
  *out++ = '\'';
  return out;
}

char* write_quoted_part(char* out, const char*& p, const char* end, std::size_t most) {
  const char* const stop = p + std::min(most, static_cast<std::size_t>(end - p));
  // Eight bytes at a time are copied up to the next quote or backslash;
  // the copy may run past the end of the text, into room the bound gives.
  while (p < stop) {
    const std::uint64_t word = swar::load8(p);
    const std::uint64_t hits = swar::bytes_equal(word, '\'') | swar::bytes_equal(word, '\\');
    swar::store8(out, word);
    const auto left = static_cast<std::size_t>(stop - p);
    const std::size_t clean = std::min<std::size_t>(hits == 0 ? 8 : swar::first_flagged(hits), left);
    out += clean;
    p += clean;
    if (p == stop || hits == 0) continue;
    *out++ = '\\';
    if (*p == '\\' && p + 1 != end && starts_prolog_escape(p[1])) ++p;
    *out++ = *p++;
  }
  return out;
}

char* write_quoted_word(char* out, const char* word, const char*& word_end) {
  *out++ = '\'';
  const char* p = word;
  for (;;) {
    // Eight bytes at a time up to a byte that ends the word (whitespace
    // and zero are all below '!') or needs an escape.
    const std::uint64_t block = swar::load8(p);
    const std::uint64_t stops =
        swar::bytes_below(block, '!') | swar::bytes_equal(block, '\'') | swar::bytes_equal(block, '\\');
    swar::store8(out, block);
    if (stops == 0) {
      p += 8;
      out += 8;
      continue;
    }
    const unsigned clean = swar::first_flagged(stops);
    p += clean;
    out += clean;
    const char c = *p;
    if (c == '\'' || c == '\\') {
      *out++ = '\\';
      // The letter of an escape is never a byte that ends the word.
      if (c == '\\' && starts_prolog_escape(p[1])) ++p;
    } else if (c == '\0' || is_space(static_cast<unsigned char>(c))) {
      break;
    }
    *out++ = *p++;  // an escaped byte, or a control byte inside the word
  }
  word_end = p;
  *out++ = '\'';
  return out;
}

char* write_atom_byte(char* out, unsigned char c) {
  if (c == '\'' || c == '\\') {
    *out++ = '\\';
  } else if (c >= '\a' && c <= '\r') {
    *out++ = '\\';
    c = static_cast<unsigned char>("abtnvfr"[c - '\a']);
  } else if (c < ' ' || c == 127) {
    *out++ = '\\';
    *out++ = static_cast<char>('0' + (c >> 6));
    *out++ = static_cast<char>('0' + ((c >> 3) & 7));
    *out++ = static_cast<char>('0' + (c & 7));
    c = '\\';
  }
  *out++ = static_cast<char>(c);
  return out;
}

bool is_plain_atom(std::string_view name) {
  if (name.empty() || !is_lower(name[0])) return false;
  for (const char c : name) {
    if (!is_alnum_or_underscore(c)) return false;
  }
  return true;
}

std::string quoted_as_dumped(std::string_view table_name) {
  std::string padded(table_name);
  padded.append(kReadSlack, '\0');
  std::string quoted(quoted_size_bound(table_name.size()) + 4 * table_name.size(), '\0');
  char* out = quoted.data();
  const auto* const bytes = reinterpret_cast<const unsigned char*>(padded.data());
  const auto* const end = bytes + table_name.size();
  // The runs of valid bytes as write_quoted() writes them, without their
  // quotes; each byte between them as an escape.
  *out++ = '\'';
  for (const unsigned char* run = bytes; run <= end;) {
    const unsigned char* p = run;
    while (p < end && (*p < 0x80 || utf8_length(p, end) > 0)) p += *p < 0x80 ? 1 : utf8_length(p, end);
    char* const written = write_quoted(out, {reinterpret_cast<const char*>(run), static_cast<std::size_t>(p - run)});
    const auto body = static_cast<std::size_t>(written - out) - 2;
    std::memmove(out, out + 1, body);
    out += body;
    if (p == end) break;
    out = write_hex_escape(out, *p);
    *out++ = '\\';
    run = p + 1;
  }
  *out++ = '\'';
  quoted.resize(static_cast<std::size_t>(out - quoted.data()));
  return quoted;
}

char* write_comment_text(char* out, std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* const end = p + text.size();
  char previous = ' ';
  while (p < end) {
    const std::size_t length = *p < 0x80 ? 1 : utf8_length(p, end);
    if (length == 0) {
      out = write_hex_escape(out, *p++);
      previous = 'x';
      continue;
    }
    const char c = static_cast<char>(*p);
    if ((previous == '*' && c == '/') || (previous == '/' && c == '*')) *out++ = ' ';
    previous = c;
    std::memcpy(out, p, length);
    out += length;
    p += length;
  }
  return out;
}

}  // namespace pgdump2pl
