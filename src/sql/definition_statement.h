#pragma once

#include <variant>

#include "sql/drop_statement.h"
#include "sql/select_statement.h"
#include "sql/sequence_definition.h"
#include "sql/sql_lexer.h"
#include "sql/table_alteration.h"
#include "sql/table_definition.h"
#include "sql/type_definition.h"

namespace pgdump2pl {

// A statement that changes the tables, types or sequences a script
// defines, as written; none for one that changes nothing the catalog keeps.
using DefinitionStatement =
    std::variant<std::monostate, TableDefinition, TableAlteration, DomainDefinition, EnumDefinition, SequenceDefinition,
                 SequenceAlteration, DropStatement, SelectStatement>;

// Whether read_definition_statement() reads the statement `first` begins.
bool begins_definition_statement(const Token& first);

// Reads the CREATE, ALTER, DROP or SELECT statement whose first word is
// current, and moves to the `;` (or meta command, or end) that ends it.
DefinitionStatement read_definition_statement(SqlLexer& lexer);

}  // namespace pgdump2pl
