#pragma once

// SQL names as PostgreSQL stores them: unquoted letters folded, quoted
// names kept, and at most 63 bytes of either. Every reader of names
// (the lexer, the catalog, the default mode's COPY header and the -t
// patterns) folds, unquotes and shortens through here, so that a name
// means one table wherever it is written.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "io/bytes.h"

namespace pgdump2pl {

// NAMEDATALEN - 1: what PostgreSQL keeps of a longer name.
constexpr std::size_t kMaxNameBytes = 63;

// An unquoted name's byte as stored. Only A to Z fold, as in scansup.c
// for a multibyte server encoding: a byte of a UTF-8 character never
// changes.
constexpr char fold_name_byte(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

// The bytes of `text` that fit in `limit`, cut back to a character's
// start, as PostgreSQL clips names (names are taken as UTF-8 here).
constexpr std::size_t clip_length(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text.size();
  while (limit > 0 && is_utf8_continuation(static_cast<unsigned char>(text[limit]))) --limit;
  return limit;
}

// The part of `name` that PostgreSQL keeps.
constexpr std::string_view stored_name(std::string_view name) {
  return name.substr(0, clip_length(name, kMaxNameBytes));
}
inline void truncate_name(std::string& name) { name.resize(clip_length(name, kMaxNameBytes)); }

// Walks a name in which double quotes open and close quoted stretches,
// as psql reads a pattern: `""` inside a stretch stands for one `"`.
class NameQuotes {
 public:
  // Inside a stretch, after the bytes read so far.
  bool open() const { return open_; }
  // Reads the byte at `text[at]` (both, for `""`) and moves `at` past it:
  // the name's byte as written, or nothing for a quote that opens or
  // closes a stretch.
  std::optional<char> read(std::string_view text, std::size_t& at);
  // As read(), with the byte folded outside stretches, as stored.
  std::optional<char> read_stored(std::string_view text, std::size_t& at);

 private:
  bool open_ = false;
};

enum class IdentifierStatus : std::uint8_t {
  ok,
  empty,     // no name at all, or `""`
  unclosed,  // a quoted name the text ends inside
};

struct IdentifierReading {
  std::size_t position;  // just past the name
  IdentifierStatus status;
};

// Reads one identifier of a text that lists names (a regclass input, a
// search_path setting) from `at` into `name`, as stored: `"quoted"` to
// its closing quote with its bytes kept, or unquoted up to a blank, `.`
// or `,`, folded.
IdentifierReading read_identifier(std::string_view text, std::size_t at, std::string& name);

}  // namespace pgdump2pl
