#include "sql/value_expression.h"

#include <string>
#include <string_view>
#include <utility>

#include "sql/type_name.h"
#include "values/column_type.h"

namespace pgdump2pl {
namespace {

// A string longer than this is kept where it was read, not copied.
constexpr std::size_t kHeldString = std::size_t{1} << 20;

bool ends_element(const Token& token) {
  return token.is_symbol(",") || token.is_symbol(")") || token.is_symbol(";") || token.kind == TokenKind::end ||
         token.kind == TokenKind::meta_command;
}

// What a cast to `type` does to a string constant. A character value
// cast to text or varchar loses its trailing blanks; an explicit length
// cuts the value when it is written, in its characters.
void apply_cast(const ColumnType& type, Field& field) {
  using Characters = ColumnType::Characters;
  if (type.characters == Characters::other) {
    field.blank_padded = false;
    field.cast_length = 0;
    return;
  }
  if (field.blank_padded && type.characters == Characters::plain) {
    while (!field.bytes.empty() && field.bytes.back() == ' ') field.bytes.pop_back();
  }
  field.blank_padded = type.characters == Characters::padded;
  if (type.length > 0 && (field.cast_length == 0 || type.length < field.cast_length)) field.cast_length = type.length;
}

// A cast to the type after `::` or AS: to character(n), varchar(n) and
// their kin it changes a string as PostgreSQL's casts do; to another
// type, the text stays as written.
bool read_cast(SqlLexer& lexer, Field& field) {
  TypeName type;
  if (!read_type_name(lexer, type)) return false;
  apply_cast(
      type.quoted || !type.name.schema.empty() ? ColumnType{} : column_type(type.name.name, type.modifiers, type.array),
      field);
  return true;
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
    field.blank_padded = token.national;
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
    if (!read_cast(lexer, field) || !lexer.current().is_symbol(")")) return false;
  } else if (token.kind == TokenKind::word) {
    // A typed literal: date '2020-01-01', double precision '1.5', char 'x'.
    std::string type(token.text);
    for (lexer.advance(); lexer.current().kind == TokenKind::word || lexer.current().is_symbol("."); lexer.advance()) {
      type += ' ';
      type += lexer.current().text;
    }
    if (lexer.current().kind != TokenKind::string) return false;
    field.bytes.assign(lexer.current().text);
    // Here a character type without its n is not character(1): no n at all.
    ColumnType literal_type = column_type(type, {}, false);
    if (literal_type.characters == ColumnType::Characters::padded) literal_type.length = 0;
    apply_cast(literal_type, field);
  } else {
    return false;
  }
  lexer.advance();
  while (lexer.current().is_symbol("::")) {
    lexer.advance();
    if (!read_cast(lexer, field)) return false;
  }
  return true;
}

// Whether the current token is a string that the element ends after:
// its own text is then the value, and the element's SQL text is not kept.
// Else a long string would be held twice more, in the capture and the
// field.
bool is_lone_string(SqlLexer& lexer) {
  if (lexer.current().kind != TokenKind::string) return false;
  if (lexer.window().empty()) lexer.refill_window();
  for (const char c : lexer.window()) {
    if (c == ',' || c == ')') return true;
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return false;
  }
  return false;
}

}  // namespace

void read_value_expression(SqlLexer& lexer, RowFields& row) {
  Field& field = row.add(Field::Source::value);
  if (is_lone_string(lexer)) {
    // A long one stays where the lexer has it, in the buffer it was read
    // into (one a row, which covers a dump's) or decoded, rather than
    // being held once more while it is copied.
    const Token& token = lexer.current();
    if (token.text.size() > kHeldString) {
      field.blank_padded = token.national;
      if (LineReader::Buffer held = row.held == nullptr ? lexer.take_string_buffer() : nullptr) {
        row.held = std::move(held);
        row.held_text = token.text;
        field.held = true;
        lexer.advance();
        return;
      }
      if (lexer.take_decoded_string(field.bytes)) {
        lexer.advance();
        return;
      }
    }
    read_constant(lexer, field);
    return;
  }
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
  field.blank_padded = false;
  field.cast_length = 0;
  std::string_view text = lexer.captured();
  if (lexer.current().kind == TokenKind::symbol && text.size() >= lexer.current().text.size()) {
    text.remove_suffix(lexer.current().text.size());
  }
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  field.bytes.assign(text);
}

}  // namespace pgdump2pl
