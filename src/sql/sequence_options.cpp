#include "sql/sequence_options.h"

#include <charconv>
#include <string>

#include "sql/object_names.h"
#include "sql/statement_tokens.h"
#include "sql/type_name.h"
#include "values/column_type.h"

namespace pgdump2pl {
namespace {

bool read_integer(SqlLexer& lexer, std::int64_t& value) {
  const bool negative = accept_symbol(lexer, "-");
  if (!negative) accept_symbol(lexer, "+");
  const Token& token = lexer.current();
  if (token.kind != TokenKind::number) return false;
  std::string digits = negative ? "-" : "";
  digits += token.text;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  step(lexer);
  return error == std::errc() && end == digits.data() + digits.size();
}

// OWNED BY's `[schema.]table.column`, or NONE.
void read_owner(SqlLexer& lexer, QualifiedName& owner) {
  std::string parts[3];
  int count = 0;
  while (count < 3) {
    const Token& token = lexer.current();
    if (token.kind != TokenKind::word && token.kind != TokenKind::quoted_name) break;
    parts[count++].assign(token.text);
    if (!step(lexer).is_symbol(".")) break;
    step(lexer);
  }
  owner = {};
  if (count >= 2) {
    owner.name = std::move(parts[count - 2]);
    if (count == 3) owner.schema = std::move(parts[0]);
  }
}

}  // namespace

void read_sequence_options(SqlLexer& lexer, SequenceOptions& options) {
  options = {};
  const auto add = [&](SequenceOption::Kind kind, std::int64_t value) { options.options.push_back({kind, value}); };
  while (true) {
    std::int64_t value = 0;
    if (accept_word(lexer, "as")) {
      TypeName type;
      if (!read_type_name(lexer, type)) {
        options.complete = false;
        return;
      }
      const ColumnType column = column_type(type.name.name, type.modifiers, type.array);
      if (column.kind == ColumnKind::integer && column.integer_bytes != 0) {
        add(SequenceOption::Kind::integer_type, column.integer_bytes);
      }
    } else if (accept_word(lexer, "increment")) {
      accept_word(lexer, "by");
      if (read_integer(lexer, value) && value != 0) add(SequenceOption::Kind::increment, value);
    } else if (accept_word(lexer, "minvalue")) {
      if (read_integer(lexer, value)) add(SequenceOption::Kind::min_value, value);
    } else if (accept_word(lexer, "maxvalue")) {
      if (read_integer(lexer, value)) add(SequenceOption::Kind::max_value, value);
    } else if (accept_word(lexer, "start")) {
      accept_word(lexer, "with");
      if (read_integer(lexer, value)) add(SequenceOption::Kind::start, value);
    } else if (accept_word(lexer, "restart")) {
      options.restart = true;
      if (accept_word(lexer, "with") || lexer.current().kind == TokenKind::number || lexer.current().is_symbol("-")) {
        options.restart_with.reset();
        if (read_integer(lexer, value)) options.restart_with = value;
      }
    } else if (accept_word(lexer, "cache")) {
      read_integer(lexer, value);
    } else if (accept_word(lexer, "cycle")) {
      add(SequenceOption::Kind::cycle, 0);
    } else if (accept_word(lexer, "no")) {
      if (accept_word(lexer, "minvalue")) {
        add(SequenceOption::Kind::no_min_value, 0);
      } else if (accept_word(lexer, "maxvalue")) {
        add(SequenceOption::Kind::no_max_value, 0);
      } else if (accept_word(lexer, "cycle")) {
        add(SequenceOption::Kind::no_cycle, 0);
      }
    } else if (accept_word(lexer, "owned")) {
      accept_word(lexer, "by");
      read_owner(lexer, options.owned_by);
    } else if (accept_word(lexer, "sequence")) {
      accept_word(lexer, "name");
      QualifiedName name;
      if (read_qualified_name(lexer, name)) options.name = std::move(name);
    } else if (!accept_word(lexer, "logged") && !accept_word(lexer, "unlogged")) {
      break;
    }
  }
}

}  // namespace pgdump2pl
