#pragma once

#include <optional>
#include <variant>
#include <vector>

#include "sql/column_definition.h"
#include "sql/qualified_name.h"
#include "sql/sql_lexer.h"

namespace pgdump2pl {

// LIKE source [INCLUDING ... | EXCLUDING ...]: which of the source's
// defaults the copies keep.
struct LikeClause {
  QualifiedName source;
  bool defaults = false;
  bool generated = false;
  bool identity = false;
};

using TableElement = std::variant<ColumnDefinition, LikeClause>;

// CREATE TABLE as written, its names not yet resolved.
struct TableDefinition {
  QualifiedName name;
  bool temporary = false;
  bool if_not_exists = false;
  bool partition = false;               // PARTITION OF `parent`
  std::optional<QualifiedName> parent;  // none when a partition's could not be read
  std::vector<TableElement> elements;   // columns and LIKEs, in written order
  std::vector<QualifiedName> inherits;
  // False for AS a query or OF a composite type: columns the catalog does
  // not know, so that no table comes of it.
  bool columns_known = true;
};

// Reads CREATE TABLE from the token after TABLE to the end of the
// statement, or to what the catalog does not read of it. False when the
// table's name cannot be read.
bool read_table_definition(SqlLexer& lexer, bool temporary, TableDefinition& table);

}  // namespace pgdump2pl
