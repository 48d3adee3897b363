#include "sql/drop_statement.h"

#include "sql/object_names.h"
#include "sql/statement_tokens.h"

namespace pgdump2pl {

bool read_drop_statement(SqlLexer& lexer, DropStatement& drop) {
  drop = {};
  step(lexer);
  if (accept_word(lexer, "table")) {
    drop.kind = DropStatement::Kind::table;
  } else if (accept_word(lexer, "sequence")) {
    drop.kind = DropStatement::Kind::sequence;
  } else if (accept_word(lexer, "domain") || accept_word(lexer, "type")) {
    drop.kind = DropStatement::Kind::type;
  } else {
    return false;
  }
  accept_if_exists(lexer);
  QualifiedName name;
  do {
    if (!read_qualified_name(lexer, name)) break;
    drop.names.push_back(name);
  } while (accept_symbol(lexer, ","));
  return true;
}

}  // namespace pgdump2pl
