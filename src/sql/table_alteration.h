#pragma once

#include <string>
#include <variant>
#include <vector>

#include "sql/column_definition.h"
#include "sql/qualified_name.h"
#include "sql/sql_lexer.h"
#include "sql/type_name.h"

namespace pgdump2pl {

// The actions of ALTER TABLE that change what the catalog knows.
struct AddColumn {
  ColumnDefinition column;
  bool if_not_exists = false;
};
struct DropColumn {
  std::string column;
};
struct SetColumnDefault {
  std::string column;
  DefaultClause value;
};
struct DropColumnDefault {
  std::string column;
};
struct DropColumnIdentity {  // DROP IDENTITY or DROP EXPRESSION
  std::string column;
};
struct SetColumnType {
  std::string column;
  TypeName type;
};
struct AddColumnGenerated {
  std::string column;
  GeneratedClause generated;
};
struct RenameColumn {
  std::string from, to;
};
struct RenameTable {
  std::string name;
};
struct SetTableSchema {
  std::string schema;
};
struct AttachPartition {
  QualifiedName partition;
};
struct InheritTable {
  QualifiedName parent;
};
struct NoInheritTable {
  QualifiedName parent;
};

using TableAction = std::variant<AddColumn, DropColumn, SetColumnDefault, DropColumnDefault, DropColumnIdentity,
                                 SetColumnType, AddColumnGenerated, RenameColumn, RenameTable, SetTableSchema,
                                 AttachPartition, InheritTable, NoInheritTable>;

// ALTER TABLE as written.
struct TableAlteration {
  QualifiedName table;
  bool only = false;                 // ONLY: the children keep their defaults and columns
  std::vector<TableAction> actions;  // in written order
};

// Reads ALTER TABLE from the token after TABLE to the end of the
// statement. False when the table's name cannot be read.
bool read_table_alteration(SqlLexer& lexer, TableAlteration& alteration);

}  // namespace pgdump2pl
