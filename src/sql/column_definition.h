#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "sql/column_default.h"
#include "sql/qualified_name.h"
#include "sql/sequence_options.h"
#include "sql/sql_lexer.h"
#include "sql/type_name.h"

namespace pgdump2pl {

// DEFAULT as written: a nextval()'s sequence by the name it is given.
struct DefaultClause {
  ColumnDefault value;
  QualifiedName sequence;
};

// GENERATED ... AS IDENTITY, or GENERATED ALWAYS AS (expression) STORED.
struct GeneratedClause {
  enum class Kind : std::uint8_t {
    identity,  // a sequence of the column's own gives its values
    stored,    // PostgreSQL computes `expression`
    other,     // neither: the column's own default all the same
  };
  Kind kind = Kind::other;
  std::optional<SequenceOptions> identity;  // the parenthesised options, when written
  std::string expression;
};

using ColumnClause = std::variant<DefaultClause, GeneratedClause>;

// A column of CREATE TABLE or ALTER TABLE ... ADD, as written.
struct ColumnDefinition {
  std::string name;
  std::optional<TypeName> type;       // none for a partition's column options
  std::vector<ColumnClause> clauses;  // in written order: each may stand for the one before
};

// Reads the rest of a column's definition after its name, which the
// caller has read into column.name: a type (none for a partition's
// column, `typeless`), DEFAULT and GENERATED, up to the `,` or `)` that
// ends it. False when its type cannot be read.
bool read_column_definition(SqlLexer& lexer, bool typeless, ColumnDefinition& column);

// Reads what follows GENERATED.
GeneratedClause read_generated_clause(SqlLexer& lexer);

}  // namespace pgdump2pl
