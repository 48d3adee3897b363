#include "sql/identifier.h"

namespace pgdump2pl {

std::optional<char> NameQuotes::read(std::string_view text, std::size_t& at) {
  const char c = text[at++];
  if (c != '"') return c;
  if (open_ && at < text.size() && text[at] == '"') {
    ++at;
    return c;
  }
  open_ = !open_;
  return std::nullopt;
}

std::optional<char> NameQuotes::read_stored(std::string_view text, std::size_t& at) {
  const std::optional<char> byte = read(text, at);
  return byte && !open_ ? fold_name_byte(*byte) : byte;
}

IdentifierReading read_identifier(std::string_view text, std::size_t at, std::string& name) {
  name.clear();
  if (at < text.size() && text[at] == '"') {
    NameQuotes quotes;
    quotes.read(text, at);
    while (quotes.open()) {
      if (at == text.size()) return {at, IdentifierStatus::unclosed};
      if (const std::optional<char> byte = quotes.read(text, at)) name += *byte;
    }
  } else {
    for (; at < text.size() && text[at] != '.' && text[at] != ',' && !is_space(static_cast<unsigned char>(text[at]));
         ++at) {
      name += fold_name_byte(text[at]);
    }
  }
  if (name.empty()) return {at, IdentifierStatus::empty};
  truncate_name(name);
  return {at, IdentifierStatus::ok};
}

}  // namespace pgdump2pl
