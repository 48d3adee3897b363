#include "sql/type_definition.h"

#include "sql/object_names.h"
#include "sql/statement_tokens.h"

namespace pgdump2pl {

bool read_domain_definition(SqlLexer& lexer, DomainDefinition& domain) {
  domain = {};
  if (!read_qualified_name(lexer, domain.name)) return false;
  accept_word(lexer, "as");
  if (!read_type_name(lexer, domain.type)) return false;
  bool after_set = false;  // ON DELETE SET DEFAULT is no default
  while (!ends_statement(lexer.current())) {
    if (lexer.current().is_word("default") && !after_set) {
      step(lexer);
      DefaultClause& clause = domain.default_value.emplace();
      read_column_default(lexer, clause.value, clause.sequence);
      continue;
    }
    after_set = lexer.current().is_word("set");
    skip_group(lexer);
  }
  return true;
}

bool read_enum_definition(SqlLexer& lexer, EnumDefinition& type) {
  type = {};
  return read_qualified_name(lexer, type.name) && accept_word(lexer, "as") && lexer.current().is_word("enum");
}

}  // namespace pgdump2pl
