#include "sql/select_statement.h"

#include <algorithm>
#include <charconv>

#include "sql/identifier.h"
#include "sql/object_names.h"
#include "sql/statement_tokens.h"
#include "sql/type_name.h"

namespace pgdump2pl {
namespace {

// setval('name', value [, is_called]) after its `(`.
void read_setval(SqlLexer& lexer, std::vector<SelectCall>& calls) {
  SetvalCall call;
  if (lexer.current().kind != TokenKind::string || !parse_regclass_text(lexer.current().text, call.sequence)) return;
  step(lexer);
  if (accept_symbol(lexer, "::")) {
    TypeName regclass;
    read_type_name(lexer, regclass);
  }
  if (!accept_symbol(lexer, ",")) return;
  const bool negative = accept_symbol(lexer, "-");
  const Token& number = lexer.current();
  const auto [end, error] = std::from_chars(number.text.data(), number.text.data() + number.text.size(), call.value);
  if (number.kind != TokenKind::number || error != std::errc() || end != number.text.data() + number.text.size()) {
    return;
  }
  step(lexer);
  if (negative) call.value = -call.value;
  if (accept_symbol(lexer, ",")) {
    const Token& flag = lexer.current();
    call.is_called =
        flag.is_word("true") || (flag.kind == TokenKind::string && (flag.text == "t" || flag.text == "true"));
  }
  calls.emplace_back(std::move(call));
}

}  // namespace

// set_config('search_path', 'a, b', false), pg_dump's way to empty the path.
void read_set_config(SqlLexer& lexer, std::vector<SelectCall>& calls) {
  const Token& setting = lexer.current();
  if (setting.kind != TokenKind::string) return;
  std::string name(setting.text);
  std::transform(name.begin(), name.end(), name.begin(), fold_name_byte);
  if (name != "search_path" || !step(lexer).is_symbol(",")) return;
  const Token& value = step(lexer);
  std::vector<std::string> names;
  if (value.kind == TokenKind::string && split_identifier_list(value.text, names))
    calls.emplace_back(SearchPath{std::move(names)});
}

SelectStatement read_select_statement(SqlLexer& lexer) {
  SelectStatement select;
  step(lexer);
  do {
    QualifiedName function;
    const Token& token = lexer.current();
    if ((token.kind == TokenKind::word || token.kind == TokenKind::quoted_name) &&
        read_qualified_name(lexer, function) && (function.schema.empty() || function.schema == "pg_catalog") &&
        lexer.current().is_symbol("(")) {
      step(lexer);
      if (function.name == "setval") {
        read_setval(lexer, select.calls);
      } else if (function.name == "set_config") {
        read_set_config(lexer, select.calls);
      }
    }
    skip_list_element(lexer);
    while (lexer.current().is_symbol(")")) step(lexer);
  } while (accept_symbol(lexer, ","));
  return select;
}

}  // namespace pgdump2pl
