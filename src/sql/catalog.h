#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "sql/sql_lexer.h"
#include "values/column_type.h"

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

// What a row gets for a column that it does not give a value.
struct ColumnDefault {
  enum class Kind : std::uint8_t {
    null,        // no default, or DEFAULT NULL
    constant,    // `value` is the constant's text: DEFAULT 0, 'x'::text, true
    sequence,    // `value` is the key of the sequence whose next value it takes
    expression,  // `value` is the SQL text of a default that needs a database: now()
  };
  Kind kind = Kind::null;
  std::string value;
};

struct Column {
  std::string name;
  ColumnType type;
  ColumnDefault default_value;
  bool generated = false;  // GENERATED ALWAYS AS (...) STORED: PostgreSQL computes it
};

struct Table {
  std::string schema;
  std::string name;
  std::vector<Column> columns;  // in declared order, inherited ones first; dropped ones removed
};

// The tables, domains, enums and sequences that a script's statements
// define, as PostgreSQL would hold them after each statement.
class Catalog {
 public:
  // Each reads one statement whose first word is the current token and
  // moves to the `;` (or meta command, or end) that ends it. Statements
  // the catalog does not keep are skipped.
  void read_create(SqlLexer& lexer);  // TABLE, DOMAIN, TYPE ... AS ENUM, SEQUENCE
  void read_alter(SqlLexer& lexer);   // TABLE ... ADD/DROP [COLUMN], ALTER COLUMN ... SET DEFAULT / ADD GENERATED ... AS IDENTITY; SEQUENCE ... RESTART
  void read_select(SqlLexer& lexer);  // setval(...) and set_config('search_path', ...)
  // `SET search_path`: the current token is the first after TO or `=`.
  void read_search_path(SqlLexer& lexer);

  // The table `name` means under the current search_path, or nullptr.
  const Table* find_table(const QualifiedName& name) const;
  // The sequence's next value, advancing it, as nextval() does; false when
  // the key names no sequence or it is exhausted.
  bool next_value(std::string_view sequence_key, std::int64_t& value);

 private:
  // (the implementation's own members)
};

}  // namespace pgdump2pl
