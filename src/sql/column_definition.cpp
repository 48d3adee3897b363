#include "sql/column_definition.h"

#include "sql/statement_tokens.h"

namespace pgdump2pl {

bool read_column_definition(SqlLexer& lexer, bool typeless, ColumnDefinition& column) {
  column.type.reset();
  column.clauses.clear();
  if (typeless) {
    if (accept_word(lexer, "with")) accept_word(lexer, "options");
  } else {
    TypeName type;
    if (!read_type_name(lexer, type)) return false;
    column.type = std::move(type);
  }
  bool after_set = false;  // ON DELETE SET DEFAULT is no default
  while (!ends_statement(lexer.current()) && !lexer.current().is_symbol(",") && !lexer.current().is_symbol(")")) {
    if (lexer.current().is_word("default") && !after_set) {
      step(lexer);
      DefaultClause clause;
      read_column_default(lexer, clause.value, clause.sequence);
      column.clauses.emplace_back(std::move(clause));
      continue;
    }
    if (accept_word(lexer, "generated")) {
      column.clauses.emplace_back(read_generated_clause(lexer));
      continue;
    }
    after_set = lexer.current().is_word("set");
    skip_group(lexer);
  }
  return true;
}

// After GENERATED: ALWAYS AS (expression) STORED, or AS IDENTITY.
GeneratedClause read_generated_clause(SqlLexer& lexer) {
  if (!accept_word(lexer, "always")) {
    accept_word(lexer, "by");
    accept_word(lexer, "default");
  }
  accept_word(lexer, "as");
  GeneratedClause clause;
  if (accept_word(lexer, "identity")) {
    clause.kind = GeneratedClause::Kind::identity;
    if (accept_symbol(lexer, "(")) {
      read_sequence_options(lexer, clause.identity.emplace());
      skip_list_element(lexer);
      accept_symbol(lexer, ")");
    }
  } else if (lexer.current().is_symbol("(")) {
    clause.kind = GeneratedClause::Kind::stored;
    read_parenthesised_text(lexer, clause.expression);
    accept_word(lexer, "stored");
  }
  return clause;
}

}  // namespace pgdump2pl
