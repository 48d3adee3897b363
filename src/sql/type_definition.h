#pragma once

#include <optional>

#include "sql/column_definition.h"
#include "sql/qualified_name.h"
#include "sql/sql_lexer.h"
#include "sql/type_name.h"

namespace pgdump2pl {

// CREATE DOMAIN as written.
struct DomainDefinition {
  QualifiedName name;
  TypeName type;
  std::optional<DefaultClause> default_value;  // the last DEFAULT
};

// CREATE TYPE ... AS ENUM: its values are text to the catalog.
struct EnumDefinition {
  QualifiedName name;
};

// Each reads its statement from the token after DOMAIN or TYPE; false
// when it is not one the catalog keeps.
bool read_domain_definition(SqlLexer& lexer, DomainDefinition& domain);
bool read_enum_definition(SqlLexer& lexer, EnumDefinition& type);

}  // namespace pgdump2pl
