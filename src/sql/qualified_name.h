#pragma once

#include <string>

#include "sql/sql_lexer.h"

namespace pgdump2pl {

// A name as PostgreSQL stores it: unquoted parts folded to lower case,
// quoted parts as they stand; `schema` is empty when none was written.
struct QualifiedName {
  std::string schema;
  std::string name;
};

// Reads `name` or `schema.name` (or `db.schema.name`) starting at the
// current token; on success the current token is the one after it.
bool read_qualified_name(SqlLexer& lexer, QualifiedName& name);

}  // namespace pgdump2pl
