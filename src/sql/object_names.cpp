#include "sql/object_names.h"

#include "io/bytes.h"
#include "sql/identifier.h"
#include "sql/statement_tokens.h"

namespace pgdump2pl {
namespace {

bool is_plain_name(std::string_view name) {
  if (name.empty() || (name[0] >= '0' && name[0] <= '9')) return false;
  for (const char c : name) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
  }
  return true;
}

void append_key_part(std::string& key, std::string_view part) {
  if (is_plain_name(part)) {
    key += part;
    return;
  }
  key += '"';
  for (const char c : part) {
    if (c == '"') key += '"';
    key += c;
  }
  key += '"';
}

void skip_blanks(std::string_view text, std::size_t& pos) {
  while (pos < text.size() && is_space(static_cast<unsigned char>(text[pos]))) ++pos;
}

}  // namespace

std::string object_key(std::string_view schema, std::string_view name) {
  std::string key;
  append_key_part(key, schema);
  key += '.';
  append_key_part(key, name);
  return key;
}

std::string quoted_identifier(std::string_view name) {
  std::string quoted;
  append_key_part(quoted, name);
  return quoted;
}

bool parse_regclass_text(std::string_view text, QualifiedName& name) {
  std::string parts[3];
  int count = 0;
  std::size_t pos = 0;
  skip_blanks(text, pos);
  while (true) {
    if (count == 3) return false;
    const IdentifierReading reading = read_identifier(text, pos, parts[count++]);
    if (reading.status != IdentifierStatus::ok) return false;
    pos = reading.position;
    skip_blanks(text, pos);
    if (pos == text.size()) break;
    if (text[pos] != '.') return false;
    ++pos;
    skip_blanks(text, pos);
  }
  name.name = std::move(parts[count - 1]);
  name.schema = count > 1 ? std::move(parts[count - 2]) : std::string();
  return true;
}

bool split_identifier_list(std::string_view text, std::vector<std::string>& names) {
  names.clear();
  std::size_t pos = 0;
  skip_blanks(text, pos);
  if (pos == text.size()) return true;
  while (true) {
    std::string name;
    const IdentifierReading reading = read_identifier(text, pos, name);
    if (reading.status != IdentifierStatus::ok) return false;
    pos = reading.position;
    names.push_back(std::move(name));
    skip_blanks(text, pos);
    if (pos == text.size()) return true;
    if (text[pos] != ',') return false;
    ++pos;
    skip_blanks(text, pos);
  }
}

std::string implicit_sequence_name(std::string_view table, std::string_view column, std::string_view label) {
  // As PostgreSQL's makeObjectName: shorten the longer part until both fit.
  const std::size_t available = kMaxNameBytes - 2 - label.size();
  std::size_t table_bytes = table.size(), column_bytes = column.size();
  while (table_bytes + column_bytes > available) {
    if (table_bytes > column_bytes) {
      --table_bytes;
    } else {
      --column_bytes;
    }
  }
  std::string name(table.substr(0, clip_length(table, table_bytes)));
  name += '_';
  name += column.substr(0, clip_length(column, column_bytes));
  name += '_';
  name += label;
  return name;
}

bool read_name(SqlLexer& lexer, std::string& name) {
  const Token& token = lexer.current();
  if (token.kind != TokenKind::word && token.kind != TokenKind::quoted_name) return false;
  name.assign(token.text);
  step(lexer);
  return true;
}

bool read_qualified_name(SqlLexer& lexer, QualifiedName& name) {
  std::string parts[3];
  int count = 0;
  while (true) {
    const Token& token = lexer.current();
    if (count == 3 || (token.kind != TokenKind::word && token.kind != TokenKind::quoted_name)) return false;
    parts[count++].assign(token.text);
    if (!step(lexer).is_symbol(".")) break;
    step(lexer);
  }
  name.name = std::move(parts[count - 1]);
  name.schema = count > 1 ? std::move(parts[count - 2]) : std::string();
  return true;
}

}  // namespace pgdump2pl
