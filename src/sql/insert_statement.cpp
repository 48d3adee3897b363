#include "sql/insert_statement.h"

#include "sql/object_names.h"
#include "sql/value_expression.h"

namespace pgdump2pl {
namespace {

bool is_name(const Token& token) { return token.kind == TokenKind::word || token.kind == TokenKind::quoted_name; }

bool starts_query(const Token& token) {
  return token.is_word("select") || token.is_word("with") || token.is_word("table") || token.is_word("values") ||
         token.is_symbol("(");
}

}  // namespace

bool read_insert_head(SqlLexer& lexer, InsertStatement& insert) {
  insert.columns.clear();
  insert.body = InsertStatement::Body::values;
  lexer.advance();
  if (!lexer.current().is_word("into")) return lexer.skip_statement(), false;
  lexer.advance();
  if (!read_qualified_name(lexer, insert.table)) return lexer.skip_statement(), false;
  if (lexer.current().is_word("as")) {
    lexer.advance();
    lexer.advance();
  }
  if (lexer.current().is_symbol("(")) {
    lexer.advance();
    if (starts_query(lexer.current())) {
      insert.body = InsertStatement::Body::query;
      lexer.skip_statement();
      return true;
    }
    while (is_name(lexer.current())) {
      insert.columns.emplace_back(lexer.current().text);
      lexer.advance();
      // A field or subscript of a column (`a.b`, `a[1]`) sets part of it.
      if (!lexer.current().is_symbol(",")) break;
      lexer.advance();
    }
    if (!lexer.current().is_symbol(")")) return lexer.skip_statement(), false;
    lexer.advance();
  }
  if (lexer.current().is_word("overriding")) {
    for (int word = 0; word < 3; ++word) lexer.advance();
  }
  if (lexer.current().is_word("default")) {
    lexer.advance();
    insert.body = InsertStatement::Body::default_values;
    lexer.skip_statement();
    return true;
  }
  if (!lexer.current().is_word("values")) {
    insert.body = InsertStatement::Body::query;
    lexer.skip_statement();
    return true;
  }
  lexer.advance();
  return true;
}

bool read_insert_tuple(SqlLexer& lexer, RowFields& row, std::uint64_t& line) {
  row.clear();
  if (!lexer.current().is_symbol("(")) {
    lexer.skip_statement();
    return false;
  }
  line = lexer.current().line;
  if (lexer.read_plain_tuple(row)) {
    if (lexer.current().is_symbol("(") || lexer.current().is_symbol(";")) return true;
    lexer.advance();
    if (lexer.current().is_symbol(",")) lexer.advance();
    return true;
  }
  row.clear();
  lexer.advance();
  if (!lexer.current().is_symbol(")")) {
    for (;;) {
      read_value_expression(lexer, row);
      if (!lexer.current().is_symbol(",")) break;
      lexer.advance();
    }
  }
  if (!lexer.current().is_symbol(")")) {
    lexer.skip_statement();
    return true;
  }
  lexer.advance();
  if (lexer.current().is_symbol(",")) lexer.advance();
  return true;
}

}  // namespace pgdump2pl
