#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "sql/sequence.h"
#include "sql/sql_lexer.h"
#include "values/column_type.h"

namespace pgdump2pl {

struct TypeName;

// A name as PostgreSQL stores it: unquoted parts folded to lower case,
// quoted parts as they stand; `schema` is empty when none was written.
struct QualifiedName {
  std::string schema;
  std::string name;
};

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
  // DROP TABLE, SEQUENCE, DOMAIN or TYPE: a script may drop and define again.
  void read_drop(SqlLexer& lexer);

  // The table `name` means under the current search_path, or nullptr.
  const Table* find_table(const QualifiedName& name) const;
  // The sequence's next value, advancing it, as nextval() does; false when
  // the key names no sequence or it is exhausted.
  bool next_value(std::string_view sequence_key, std::int64_t& value);

 private:
  // What PostgreSQL keeps of a column beside its definition.
  struct ColumnOrigin {
    std::string domain;           // the key of its domain type, whose default it takes when it has none
    std::uint16_t inherited = 0;  // how many parents it has it from
    bool local = true;            // defined by the table itself, not only inherited
  };
  struct Relation {
    Table table;
    std::vector<ColumnOrigin> origins;           // one per column
    std::vector<std::string> parents, children;  // keys
  };
  struct TypeDefinition {
    ColumnType type;
    ColumnDefault default_value;
  };
  struct ColumnDefinition {
    Column column;
    ColumnOrigin origin;
    bool has_type = true;      // a partition's column options name none
    bool has_default = false;  // written, DEFAULT NULL too: it hides the domain's
  };
  static constexpr std::size_t kNoColumn = static_cast<std::size_t>(-1);
  static std::size_t column_index(const Table& table, std::string_view name);
  static bool begins_table_constraint(const Token& token);

  std::string creation_schema() const;
  // The key of the object `name` means, or empty.
  template <typename Map>
  std::string resolve(const Map& objects, const QualifiedName& name, bool temp_first) const;
  std::string sequence_key(const QualifiedName& name) const;
  bool resolve_type(const TypeName& type, Column& column, std::string& domain) const;  // true: a serial
  ColumnDefault domain_default(const std::string& domain) const;
  bool is_identity(const ColumnDefault& value) const;

  void read_table(SqlLexer& lexer, bool temp);
  void read_table_element(SqlLexer& lexer, const Table& table, std::vector<ColumnDefinition>& own, bool partition);
  bool read_column(SqlLexer& lexer, const Table& table, ColumnDefinition& definition, bool typed);
  void read_default(SqlLexer& lexer, ColumnDefault& value);
  void read_generated(SqlLexer& lexer, const Table& table, ColumnDefinition& definition);
  void read_like(SqlLexer& lexer, const Table& table, std::vector<ColumnDefinition>& own);
  void read_domain(SqlLexer& lexer);
  void read_enum(SqlLexer& lexer);
  void read_sequence(SqlLexer& lexer, bool temp);
  void read_setval(SqlLexer& lexer);
  void read_set_config(SqlLexer& lexer);
  void read_table_action(SqlLexer& lexer, std::string& key, bool only);
  void read_column_action(SqlLexer& lexer, const std::string& key, const std::string& column, bool only);

  std::string make_sequence(const Table& table, std::string_view column, const QualifiedName& name, Sequence sequence);
  void set_default(const std::string& key, const std::string& column, const ColumnDefault& value, bool recurse);
  void alter_type(SqlLexer& lexer, const std::string& key, const std::string& column);
  void add_column(const std::string& key, ColumnDefinition definition);
  void drop_column(const std::string& key, const std::string& column, bool recurse);
  void rename_column(const std::string& key, const std::string& from, const std::string& to);
  void move_table(std::string& key, const std::string& schema, const std::string& name);
  void link(const std::string& parent_key, const std::string& child_key);
  void unlink(const std::string& parent_key, const std::string& child_key);
  void drop_table(const std::string& key, bool cascade);

  std::map<std::string, Relation> tables_;       // by object_key(), as are the maps below
  std::map<std::string, TypeDefinition> types_;  // domains and enums
  std::map<std::string, Sequence> sequences_;
  std::vector<std::string> search_path_{"public"};
};

}  // namespace pgdump2pl
