#include "sql/type_name.h"

#include <charconv>

#include "sql/object_names.h"
#include "sql/statement_tokens.h"

namespace pgdump2pl {
namespace {

bool is_interval_field(const Token& token) {
  for (const std::string_view field : {"year", "month", "day", "hour", "minute", "second", "to"}) {
    if (token.is_word(field)) return true;
  }
  return false;
}

// The numbers of `(10, 2)`; others (PostGIS's `(Point, 4326)`) are passed over.
void read_modifiers(SqlLexer& lexer, std::vector<std::int64_t>& modifiers) {
  if (!lexer.current().is_symbol("(")) return;
  step(lexer);
  while (!ends_statement(lexer.current()) && !lexer.current().is_symbol(")")) {
    const bool negative = accept_symbol(lexer, "-");
    const Token& token = lexer.current();
    std::int64_t value = 0;
    if (token.kind == TokenKind::number) {
      const auto [end, error] = std::from_chars(token.text.data(), token.text.data() + token.text.size(), value);
      if (error == std::errc() && end == token.text.data() + token.text.size()) {
        modifiers.push_back(negative ? -value : value);
      }
    }
    skip_group(lexer);
    accept_symbol(lexer, ",");
  }
  accept_symbol(lexer, ")");
}

// `with time zone` / `without time zone` after time and timestamp.
void read_time_zone(SqlLexer& lexer, std::string& name) {
  if (lexer.current().is_word("with")) {
    name += " with time zone";
  } else if (lexer.current().is_word("without")) {
    name += " without time zone";
  } else {
    return;
  }
  step(lexer);
  accept_word(lexer, "time");
  accept_word(lexer, "zone");
}

}  // namespace

bool read_type_name(SqlLexer& lexer, TypeName& type) {
  type.modifiers.clear();
  type.array = false;
  type.quoted = lexer.current().kind == TokenKind::quoted_name;
  if (!read_qualified_name(lexer, type.name)) return false;
  if (type.name.schema == "pg_catalog") type.name.schema.clear();
  std::string& name = type.name.name;
  if (type.name.schema.empty() && !type.quoted) {
    // The words of the SQL standard's multi-word type names.
    if (name == "double" && accept_word(lexer, "precision")) {
      name = "double precision";
    } else if (name == "character" || name == "char" || name == "nchar" || name == "national" || name == "bit") {
      if (name == "national") {
        name = "character";
        if (!accept_word(lexer, "character")) accept_word(lexer, "char");
      } else if (name == "nchar") {
        name = "character";
      }
      if (accept_word(lexer, "varying")) name = name == "bit" ? "bit varying" : "character varying";
    }
  }
  read_modifiers(lexer, type.modifiers);
  if (type.name.schema.empty() && !type.quoted) {
    if (name == "time" || name == "timestamp") {
      read_time_zone(lexer, name);
    } else if (name == "interval") {
      while (is_interval_field(lexer.current())) step(lexer);
      read_modifiers(lexer, type.modifiers);
    }
  }
  if (accept_word(lexer, "array")) {
    type.array = true;
    if (lexer.current().is_symbol("[")) skip_group(lexer);
  }
  while (lexer.current().is_symbol("[")) {
    type.array = true;
    skip_group(lexer);
  }
  return true;
}

std::string type_text(const TypeName& type) {
  std::string text;
  std::string_view name = type.name.name;
  std::string_view zone;
  if (type.name.schema.empty() && !type.quoted) {
    // The modifiers of time and timestamp stand before their zone.
    if (const std::size_t with = name.find(" with"); with != std::string_view::npos) {
      zone = name.substr(with);
      name = name.substr(0, with);
    }
    text = name;
  } else {
    if (!type.name.schema.empty()) text = quoted_identifier(type.name.schema) + '.';
    text += quoted_identifier(name);
  }
  for (std::size_t i = 0; i < type.modifiers.size(); ++i) {
    text += i == 0 ? '(' : ',';
    text += std::to_string(type.modifiers[i]);
  }
  if (!type.modifiers.empty()) text += ')';
  text += zone;
  if (type.array) text += "[]";
  return text;
}

}  // namespace pgdump2pl
