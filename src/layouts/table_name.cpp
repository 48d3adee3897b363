#include "layouts/table_name.h"

#include <optional>

#include "io/bytes.h"
#include "sql/identifier.h"

namespace pgdump2pl {

std::string name_from_quoted_word(std::string_view word) {
  word = word.substr(0, word.find('\0'));
  if (const auto dot = word.rfind("\".\""); dot != std::string_view::npos) {
    word.remove_prefix(dot + 3);
  }
  if (!word.empty()) word.remove_suffix(1);
  return std::string(word);
}

std::string name_from_identifier(std::string_view rest) {
  std::size_t end = 0;
  std::size_t start = 0;  // just past the last unquoted `.`
  bool quoted = false;
  for (; end < rest.size(); ++end) {
    const auto c = static_cast<unsigned char>(rest[end]);
    if (c == '\n' || c == '\r' || c == '\0') break;
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted) {
      if (is_space(c) || c == '(') break;
      if (c == '.') start = end + 1;
    }
  }
  const std::string_view ident = rest.substr(start, end - start);
  std::string name;
  NameQuotes quotes;
  for (std::size_t i = 0; i < ident.size();) {
    if (const std::optional<char> byte = quotes.read(ident, i)) name += *byte;
  }
  return name;
}

void stored_names(std::string_view rest, std::string& schema, std::string& table) {
  schema.clear();
  table.clear();
  NameQuotes quotes;
  for (std::size_t i = 0; i < rest.size();) {
    const auto c = static_cast<unsigned char>(rest[i]);
    if (c == '\n' || c == '\r' || c == '\0') break;
    if (!quotes.open() && (is_space(c) || c == '(')) break;
    if (!quotes.open() && c == '.') {
      schema.swap(table);
      table.clear();
      ++i;
    } else if (const std::optional<char> byte = quotes.read_stored(rest, i)) {
      table += *byte;
    }
  }
  truncate_name(schema);
  truncate_name(table);
}

}  // namespace pgdump2pl
