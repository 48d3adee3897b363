#include "sql/value_expression.h"

#include <string_view>

namespace pgdump2pl {
namespace {

bool ends_element(const Token& token) {
  return token.is_symbol(",") || token.is_symbol(")") || token.is_symbol(";") || token.kind == TokenKind::end ||
         token.kind == TokenKind::meta_command;
}

bool is_name(const Token& token) { return token.kind == TokenKind::word || token.kind == TokenKind::quoted_name; }

// The words that may continue a type's name: double precision, character
// varying, timestamp with time zone.
bool continues_type_name(const Token& token) {
  for (const std::string_view word : {"precision", "varying", "with", "without", "time", "zone"}) {
    if (token.is_word(word)) return true;
  }
  return false;
}

// Skips balanced brackets or parentheses that open at the current token.
bool skip_group(SqlLexer& lexer, std::string_view open, std::string_view close) {
  int depth = 0;
  do {
    const Token& token = lexer.current();
    if (token.kind == TokenKind::end || token.kind == TokenKind::meta_command || token.is_symbol(";")) return false;
    if (token.is_symbol(open)) ++depth;
    if (token.is_symbol(close)) --depth;
    lexer.advance();
  } while (depth > 0);
  return true;
}

// A type after `::` or AS: a qualified name of one or more words, its
// modifiers and any array brackets.
bool skip_type(SqlLexer& lexer) {
  if (!is_name(lexer.current())) return false;
  lexer.advance();
  while (lexer.current().is_symbol(".")) {
    lexer.advance();
    if (!is_name(lexer.current())) return false;
    lexer.advance();
  }
  for (;;) {
    if (continues_type_name(lexer.current())) {
      lexer.advance();
    } else if (lexer.current().is_symbol("(")) {
      if (!skip_group(lexer, "(", ")")) return false;
    } else if (lexer.current().is_symbol("[")) {
      if (!skip_group(lexer, "[", "]")) return false;
    } else if (lexer.current().is_word("array")) {
      lexer.advance();
    } else {
      return true;
    }
  }
}

// A constant as described above, into `field`; false, somewhere inside
// it, when it is not one.
bool read_constant(SqlLexer& lexer, Field& field) {
  const Token& token = lexer.current();
  if (token.is_word("null")) {
    field.source = Field::Source::null;
  } else if (token.is_word("default")) {
    field.source = Field::Source::default_value;
  } else if (token.is_word("true") || token.is_word("false")) {
    field.bytes.assign(token.text);
  } else if (token.kind == TokenKind::number || token.kind == TokenKind::string) {
    field.numeric_literal = token.kind == TokenKind::number;
    field.bytes.assign(token.text);
  } else if (token.is_symbol("-") || token.is_symbol("+")) {
    const bool negative = token.is_symbol("-");
    lexer.advance();
    if (lexer.current().kind != TokenKind::number) return false;
    field.numeric_literal = true;
    field.bytes.clear();
    if (negative) field.bytes += '-';
    field.bytes.append(lexer.current().text);
  } else if (token.is_symbol("(")) {
    lexer.advance();
    if (!read_constant(lexer, field) || !lexer.current().is_symbol(")")) return false;
  } else if (token.is_word("cast")) {
    lexer.advance();
    if (!lexer.current().is_symbol("(")) return false;
    lexer.advance();
    if (!read_constant(lexer, field) || !lexer.current().is_word("as")) return false;
    lexer.advance();
    if (!skip_type(lexer) || !lexer.current().is_symbol(")")) return false;
  } else if (token.kind == TokenKind::word) {
    // A typed literal: date '2020-01-01', double precision '1.5'.
    do {
      lexer.advance();
    } while (lexer.current().kind == TokenKind::word || lexer.current().is_symbol("."));
    if (lexer.current().kind != TokenKind::string) return false;
    field.bytes.assign(lexer.current().text);
  } else {
    return false;
  }
  lexer.advance();
  while (lexer.current().is_symbol("::")) {
    lexer.advance();
    if (!skip_type(lexer)) return false;
  }
  return true;
}

}  // namespace

void read_value_expression(SqlLexer& lexer, RowFields& row) {
  Field& field = row.add(Field::Source::value);
  lexer.start_capture();
  // The depth of the tuple itself: a `(` that is current is counted.
  const int depth = lexer.nesting() - (lexer.current().is_symbol("(") ? 1 : 0);
  if (read_constant(lexer, field) && ends_element(lexer.current())) return lexer.stop_capture();
  // Up to the `,` or `)` of the tuple, brackets and parentheses balanced.
  int brackets = 0;
  for (;;) {
    const Token& token = lexer.current();
    if (token.kind == TokenKind::end || token.kind == TokenKind::meta_command || token.is_symbol(";")) break;
    if (brackets == 0 && token.is_symbol(",") && lexer.nesting() == depth) break;
    if (token.is_symbol(")") && lexer.nesting() < depth) break;
    brackets += token.is_symbol("[") ? 1 : token.is_symbol("]") ? -1 : 0;
    lexer.advance();
  }
  lexer.stop_capture();
  field.source = Field::Source::expression;
  field.numeric_literal = false;
  std::string_view text = lexer.captured();
  if (lexer.current().kind == TokenKind::symbol && text.size() >= lexer.current().text.size()) {
    text.remove_suffix(lexer.current().text.size());
  }
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  field.bytes.assign(text);
}

}  // namespace pgdump2pl
