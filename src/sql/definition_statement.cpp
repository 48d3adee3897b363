#include "sql/definition_statement.h"

#include "sql/statement_tokens.h"

namespace pgdump2pl {
namespace {

// CREATE [GLOBAL | LOCAL] [TEMP | UNLOGGED] TABLE, DOMAIN, TYPE or SEQUENCE.
DefinitionStatement read_create(SqlLexer& lexer) {
  step(lexer);
  if (!accept_word(lexer, "global")) accept_word(lexer, "local");
  const bool temporary = accept_word(lexer, "temp") || accept_word(lexer, "temporary");
  if (!temporary) accept_word(lexer, "unlogged");
  if (accept_word(lexer, "table")) {
    TableDefinition table;
    if (read_table_definition(lexer, temporary, table)) return table;
  } else if (accept_word(lexer, "domain")) {
    DomainDefinition domain;
    if (read_domain_definition(lexer, domain)) return domain;
  } else if (accept_word(lexer, "type")) {
    EnumDefinition type;
    if (read_enum_definition(lexer, type)) return type;
  } else if (accept_word(lexer, "sequence")) {
    SequenceDefinition sequence;
    if (read_sequence_definition(lexer, temporary, sequence)) return sequence;
  }
  return {};
}

DefinitionStatement read_alter(SqlLexer& lexer) {
  step(lexer);
  if (accept_word(lexer, "table")) {
    TableAlteration table;
    if (read_table_alteration(lexer, table)) return table;
  } else if (accept_word(lexer, "sequence")) {
    SequenceAlteration sequence;
    if (read_sequence_alteration(lexer, sequence)) return sequence;
  }
  return {};
}

}  // namespace

bool begins_definition_statement(const Token& first) {
  return first.is_word("create") || first.is_word("alter") || first.is_word("drop") || first.is_word("select");
}

DefinitionStatement read_definition_statement(SqlLexer& lexer) {
  DefinitionStatement statement;
  const Token& first = lexer.current();
  if (first.is_word("create")) {
    statement = read_create(lexer);
  } else if (first.is_word("alter")) {
    statement = read_alter(lexer);
  } else if (first.is_word("drop")) {
    if (DropStatement drop; read_drop_statement(lexer, drop)) statement = std::move(drop);
  } else if (first.is_word("select")) {
    statement = read_select_statement(lexer);
  }
  lexer.skip_statement();
  return statement;
}

}  // namespace pgdump2pl
