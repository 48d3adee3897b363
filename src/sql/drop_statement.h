#pragma once

#include <cstdint>
#include <vector>

#include "sql/qualified_name.h"
#include "sql/sql_lexer.h"

namespace pgdump2pl {

// DROP TABLE, SEQUENCE, DOMAIN or TYPE: a script may drop and define again.
struct DropStatement {
  enum class Kind : std::uint8_t { table, sequence, type };  // a domain is a type
  Kind kind = Kind::table;
  std::vector<QualifiedName> names;  // in written order
};

// Reads DROP from its first word; false when it drops nothing the catalog keeps.
bool read_drop_statement(SqlLexer& lexer, DropStatement& drop);

}  // namespace pgdump2pl
