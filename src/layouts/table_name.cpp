#include "layouts/table_name.h"

#include "io/bytes.h"

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
  quoted = false;
  for (std::size_t i = 0; i < ident.size(); ++i) {
    if (ident[i] != '"') {
      name += ident[i];
    } else if (quoted && i + 1 < ident.size() && ident[i + 1] == '"') {
      name += '"';
      ++i;
    } else {
      quoted = !quoted;
    }
  }
  return name;
}

void stored_names(std::string_view rest, std::string& schema, std::string& table) {
  schema.clear();
  table.clear();
  bool quoted = false;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const auto c = static_cast<unsigned char>(rest[i]);
    if (c == '\n' || c == '\r' || c == '\0') break;
    if (c == '"') {
      if (quoted && i + 1 < rest.size() && rest[i + 1] == '"') {
        table += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
    } else if (quoted) {
      table += static_cast<char>(c);
    } else if (is_space(c) || c == '(') {
      break;
    } else if (c == '.') {
      schema.swap(table);
      table.clear();
    } else {
      table += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
  }
}

}  // namespace pgdump2pl
