#pragma once

#include <string_view>

#include "sql/sql_lexer.h"

namespace pgdump2pl {

// The definitions' readers walk one statement's tokens and must never
// move past the token that ends it, so that the caller finds it current.

inline bool ends_statement(const Token& token) {
  return token.kind == TokenKind::end || token.kind == TokenKind::meta_command || token.is_symbol(";");
}

// The next token, or the current one when it ends the statement.
inline const Token& step(SqlLexer& lexer) {
  if (!ends_statement(lexer.current())) lexer.advance();
  return lexer.current();
}

inline bool accept_word(SqlLexer& lexer, std::string_view keyword) {
  if (!lexer.current().is_word(keyword)) return false;
  step(lexer);
  return true;
}

inline bool accept_symbol(SqlLexer& lexer, std::string_view symbol) {
  if (!lexer.current().is_symbol(symbol)) return false;
  step(lexer);
  return true;
}

// IF EXISTS, or IF NOT EXISTS.
inline bool accept_if_exists(SqlLexer& lexer) {
  if (!accept_word(lexer, "if")) return false;
  accept_word(lexer, "not");
  accept_word(lexer, "exists");
  return true;
}

// A table constraint, where a column of CREATE TABLE or ALTER TABLE's ADD
// may stand.
inline bool begins_table_constraint(const Token& token) {
  for (const std::string_view word : {"constraint", "primary", "unique", "check", "foreign"}) {
    if (token.is_word(word)) return true;
  }
  return false;
}

// From a `(`, moves past its matching `)`; from anything else, past that token.
inline void skip_group(SqlLexer& lexer) {
  int depth = 0;
  do {
    const Token& token = lexer.current();
    if (ends_statement(token)) return;
    if (token.is_symbol("(") || token.is_symbol("[")) ++depth;
    if (token.is_symbol(")") || token.is_symbol("]")) --depth;
    step(lexer);
  } while (depth > 0);
}

// Moves to the `,` or `)` that ends the current element of a list.
inline void skip_list_element(SqlLexer& lexer) {
  while (!ends_statement(lexer.current()) && !lexer.current().is_symbol(",") && !lexer.current().is_symbol(")")) {
    skip_group(lexer);
  }
}

}  // namespace pgdump2pl
