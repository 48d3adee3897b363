#include "values/character_fit.h"

#include <cstddef>
#include <string_view>

namespace pgdump2pl {
namespace {

// n counts characters: UTF-8's bytes less its continuation bytes.
bool starts_character(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

// The offset of character `n` of `text`, or text.size() when it has no
// more than n; `count` the characters before that offset.
std::size_t character_offset(std::string_view text, std::size_t n, std::size_t& count) {
  count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (starts_character(text[i]) && count++ == n) {
      count = n;
      return i;
    }
  }
  return text.size();
}

void trim_blanks(std::string& text) {
  const std::size_t last = text.find_last_not_of(' ');
  text.resize(last == std::string::npos ? 0 : last + 1);
}

}  // namespace

void cast_characters(std::int32_t length, bool blank_padded, std::string& text) {
  if (length <= 0) return;
  const auto n = static_cast<std::size_t>(length);
  std::size_t count = 0;
  text.resize(character_offset(text, n, count));
  if (blank_padded) text.append(n - count, ' ');
}

bool fit_characters(const ColumnType& type, bool blank_padded, std::string& text) {
  using Characters = ColumnType::Characters;
  if (type.characters == Characters::other) return true;
  if (blank_padded && type.characters == Characters::plain) trim_blanks(text);
  if (type.length <= 0) return true;
  const auto n = static_cast<std::size_t>(type.length);
  std::size_t count = 0;
  const std::size_t cut = character_offset(text, n, count);
  if (cut < text.size()) {
    if (text.find_first_not_of(' ', cut) != std::string::npos) return false;
    text.resize(cut);
  } else if (type.characters == Characters::padded) {
    text.append(n - count, ' ');
  }
  return true;
}

}  // namespace pgdump2pl
