#include "sql/insert_statement.h"

#include <string_view>

#include "sql/object_names.h"
#include "sql/value_expression.h"

namespace pgdump2pl {
namespace {

bool is_name(const Token& token) { return token.kind == TokenKind::word || token.kind == TokenKind::quoted_name; }

bool starts_query(const Token& token) {
  return token.is_word("select") || token.is_word("with") || token.is_word("table") || token.is_word("values") ||
         token.is_symbol("(");
}

bool is_blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return static_cast<unsigned char>((c | 0x20) - 'a') < 26; }

// With the `(` of a tuple current: reads the whole tuple from the bytes at
// once when it holds only what pg_dump writes (numbers, plain strings,
// NULL, TRUE, FALSE, by commas and blanks), as read_value_expression()
// would read each, and moves past its `)` and a comma after it. False,
// with the lexer not moved, for anything else: the tokens then take it.
bool read_plain_tuple(SqlLexer& lexer, RowFields& row) {
  // A tuple is read from the window as it stands; one that runs past it
  // is left to the tokens, so room for a long one is made first.
  constexpr std::size_t kLookahead = std::size_t{1} << 16;
  if (lexer.window().size() < kLookahead) lexer.refill_window();
  const std::string_view window = lexer.window();
  const Quoting quoting = lexer.string_quoting();
  const char* const begin = window.data();
  const char* const end = begin + window.size();
  const char* p = begin;
  const auto digits = [&] {
    const char* const first = p;
    while (p < end && is_digit(*p)) ++p;
    return p > first;
  };
  for (;;) {
    while (p < end && is_blank(*p)) ++p;
    if (p == end) return false;
    const char c = *p;
    if (c == '\'') {
      const auto body_start = static_cast<std::size_t>(p + 1 - begin);
      QuotedBody body{body_start};
      scan_quoted_body(window, '\'', quoting, false, body);
      if (!body.closed) return false;
      std::string& bytes = row.add(Field::Source::value).bytes;
      const std::string_view text = window.substr(body_start, body.end - body_start);
      if (body.decoded) {
        lexer.decode_quoted(text, '\'', quoting, bytes);
      } else {
        bytes.assign(text);
      }
      p = begin + body.end + 1;
    } else if (c == '-' || is_digit(c)) {
      Field& field = row.add(Field::Source::value);
      const char* const start = p;
      p += c == '-' ? 1 : 0;
      if (!digits()) return false;
      if (p < end && *p == '.' && (++p, !digits())) return false;
      if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && (*p == '+' || *p == '-')) ++p;
        if (!digits()) return false;
      }
      field.numeric_literal = true;
      field.bytes.assign(start, static_cast<std::size_t>(p - start));
    } else if (is_letter(c)) {
      // Any other byte of a word after these letters ends the fast path below.
      const char* const start = p;
      while (p < end && is_letter(*p)) ++p;
      char word[6] = {};
      if (p - start > 5) return false;
      for (const char* q = start; q < p; ++q) word[q - start] = static_cast<char>(*q | 0x20);
      const std::string_view keyword(word, static_cast<std::size_t>(p - start));
      if (keyword == "null") {
        row.add(Field::Source::null);
      } else if (keyword == "true" || keyword == "false") {
        row.add(Field::Source::value).bytes.assign(keyword);
      } else {
        return false;
      }
    } else {
      return false;
    }
    while (p < end && *p == ' ') ++p;
    if (p == end) return false;
    if (*p == ')') break;
    if (*p != ',') return false;
    ++p;
  }
  // The comma before the next tuple of a multi-row INSERT is taken too.
  const char* next = ++p;
  while (next < end && is_blank(*next)) ++next;
  if (next < end && *next == ',') p = next + 1;
  lexer.consume(static_cast<std::size_t>(p - begin), 1);
  return true;
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

TupleRead read_insert_tuple(SqlLexer& lexer, RowFields& row, std::uint64_t& line) {
  row.clear();
  if (!lexer.current().is_symbol("(")) {
    lexer.skip_statement();
    return TupleRead::done;
  }
  line = lexer.current().line;
  if (read_plain_tuple(lexer, row)) {
    if (lexer.current().is_symbol(",")) lexer.advance();
    return TupleRead::row;
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
    if (lexer.current().kind == TokenKind::end) return TupleRead::cut;
    lexer.skip_statement();
    return TupleRead::row;
  }
  lexer.advance();
  if (lexer.current().is_symbol(",")) lexer.advance();
  return TupleRead::row;
}

}  // namespace pgdump2pl
