#include "sql/column_default.h"

#include "sql/object_names.h"
#include "sql/statement_tokens.h"
#include "sql/type_name.h"

namespace pgdump2pl {
namespace {

bool is_operator(const Token& token) {
  return token.kind == TokenKind::symbol && !token.is_symbol(")") && !token.is_symbol("]");
}

// Words that begin the column constraint after a default's expression.
bool begins_constraint(const Token& token) {
  for (const std::string_view word : {"constraint", "not", "null", "check", "default", "unique", "primary",
                                      "references", "generated", "collate", "deferrable", "initially"}) {
    if (token.is_word(word)) return true;
  }
  return false;
}

// The expression's text that the lexer captured up to `stop`, without
// `stop` and the blanks before it.
std::string captured_before(const SqlLexer& lexer, const Token& stop) {
  std::string_view text = lexer.captured();
  if (stop.kind == TokenKind::symbol || stop.kind == TokenKind::word) {
    text.remove_suffix(std::min(text.size(), stop.text.size()));
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return std::string(text);
}

// Folds the expressions that are constants however they are written:
// `-1`, `('x')::text`, `CAST(NULL AS int)`, `date '2024-01-01'`, and
// nextval('seq'::regclass); anything else it gives up on, leaving the
// tokens it read behind it and `depth_` the parentheses still open.
class ConstantReader {
 public:
  explicit ConstantReader(SqlLexer& lexer) : lexer_(lexer) {}

  bool operand(ColumnDefault& value, QualifiedName& sequence) {
    const bool negative = accept_symbol(lexer_, "-");
    const bool sign = negative || accept_symbol(lexer_, "+");
    const Token& token = lexer_.current();
    if (sign && token.kind != TokenKind::number) return false;
    if (token.is_symbol("(")) {
      open();
      if (!operand(value, sequence) || !close()) return false;
    } else if (token.kind == TokenKind::number || token.kind == TokenKind::string) {
      value.kind = ColumnDefault::Kind::constant;
      value.value.clear();
      if (negative) value.value += '-';
      value.value += token.text;
      string_ = token.kind == TokenKind::string;
      step(lexer_);
    } else if (token.is_word("true") || token.is_word("false")) {
      value.kind = ColumnDefault::Kind::constant;
      value.value.assign(token.text);
      string_ = false;
      step(lexer_);
    } else if (token.is_word("null")) {
      value.kind = ColumnDefault::Kind::null;
      value.value.clear();
      string_ = false;
      step(lexer_);
    } else if (token.is_word("cast")) {
      step(lexer_);
      if (!lexer_.current().is_symbol("(")) return false;
      open();
      if (!operand(value, sequence) || !accept_word(lexer_, "as") || !type() || !close()) return false;
    } else if (token.kind != TokenKind::word || !function_call(value, sequence)) {
      return false;
    }
    while (accept_symbol(lexer_, "::")) {
      if (!type()) return false;
    }
    return true;
  }

  int depth() const { return depth_; }

 private:
  void open() {
    ++depth_;
    step(lexer_);
  }
  bool close() {
    if (!lexer_.current().is_symbol(")")) return false;
    --depth_;
    step(lexer_);
    return true;
  }
  bool type() {
    TypeName name;
    return read_type_name(lexer_, name);
  }

  // nextval('seq'), or a type name before a string: `interval '1 day'`.
  bool function_call(ColumnDefault& value, QualifiedName& sequence) {
    QualifiedName name;
    if (lexer_.current().is_word("nextval") || lexer_.current().is_word("pg_catalog")) {
      if (!read_qualified_name(lexer_, name)) return false;
      if (name.name != "nextval" || !(name.schema.empty() || name.schema == "pg_catalog") ||
          !lexer_.current().is_symbol("(")) {
        return false;
      }
      open();
      if (!operand(value, sequence) || !close()) return false;
      if (value.kind != ColumnDefault::Kind::constant || !string_) return false;
      if (!parse_regclass_text(value.value, sequence)) return false;
      value.kind = ColumnDefault::Kind::sequence;
      value.value.clear();
      string_ = false;
      return true;
    }
    if (!type() || lexer_.current().kind != TokenKind::string) return false;
    value.kind = ColumnDefault::Kind::constant;
    value.value.assign(lexer_.current().text);
    string_ = true;
    step(lexer_);
    return true;
  }

  SqlLexer& lexer_;
  int depth_ = 0;
  bool string_ = false;  // the operand so far is a string literal, maybe cast
};

}  // namespace

void read_column_default(SqlLexer& lexer, ColumnDefault& value, QualifiedName& sequence) {
  lexer.start_capture();
  ConstantReader reader(lexer);
  const bool folded = reader.operand(value, sequence);
  int depth = reader.depth();
  const auto at_end = [&](const Token& token, bool after_operator) {
    return ends_statement(token) ||
           (depth == 0 && (token.is_symbol(",") || token.is_symbol(")") ||
                           (begins_constraint(token) && !(after_operator && token.is_word("null")))));
  };
  if (folded && at_end(lexer.current(), false)) return;
  bool after_operator = false;
  while (!at_end(lexer.current(), after_operator)) {
    const Token& token = lexer.current();
    if (token.is_symbol("(") || token.is_symbol("[")) ++depth;
    if (token.is_symbol(")") || token.is_symbol("]")) --depth;
    after_operator = is_operator(token);
    step(lexer);
  }
  value.kind = ColumnDefault::Kind::expression;
  value.value = captured_before(lexer, lexer.current());
}

void read_parenthesised_text(SqlLexer& lexer, std::string& text) {
  text.clear();
  if (!lexer.current().is_symbol("(")) return;
  step(lexer);
  lexer.start_capture();
  int depth = 0;
  while (!ends_statement(lexer.current()) && !(depth == 0 && lexer.current().is_symbol(")"))) {
    if (lexer.current().is_symbol("(")) ++depth;
    if (lexer.current().is_symbol(")")) --depth;
    step(lexer);
  }
  text = captured_before(lexer, lexer.current());
  accept_symbol(lexer, ")");
}

}  // namespace pgdump2pl
