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

}  // namespace

char* write_quoted(char* out, std::string_view text) {
  *out++ = '\'';
  const char* p = text.data();
  const char* const end = p + text.size();
  // Eight bytes at a time are copied up to the next quote or backslash;
  // the copy may run past the end of the text, into room the bound gives.
  while (p < end) {
    const std::uint64_t word = swar::load8(p);
    const std::uint64_t hits = swar::bytes_equal(word, '\'') | swar::bytes_equal(word, '\\');
    swar::store8(out, word);
    const auto left = static_cast<std::size_t>(end - p);
    const std::size_t clean = std::min<std::size_t>(hits == 0 ? 8 : swar::first_flagged(hits), left);
    out += clean;
    p += clean;
    if (p == end || hits == 0) continue;
    *out++ = '\\';
    if (*p == '\\' && p + 1 != end && starts_prolog_escape(p[1])) ++p;
    *out++ = *p++;
  }
  *out++ = '\'';
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
  std::string quoted(quoted_size_bound(table_name.size()), '\0');
  const char* end = write_quoted(quoted.data(), {padded.data(), table_name.size()});
  quoted.resize(static_cast<std::size_t>(end - quoted.data()));
  return quoted;
}

}  // namespace pgdump2pl
