#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "sql/column_default.h"
#include "sql/definition_statement.h"
#include "sql/qualified_name.h"
#include "sql/search_path.h"
#include "sql/sequence.h"
#include "values/column_type.h"

namespace pgdump2pl {

struct Column {
  std::string name;
  ColumnType type;
  std::string type_name;  // as declared: `numeric(10,2)`, a domain's name
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
  // Makes the change the statement makes; names resolve against the
  // search_path as it stands.
  void apply(const DefinitionStatement& statement);
  void apply(const SearchPath& path);

  // The table `name` means under the current search_path, or nullptr.
  const Table* find_table(const QualifiedName& name) const;
  // Whether a table `name` is defined in a schema other than `schema`.
  bool has_table_elsewhere(std::string_view schema, std::string_view name) const;
  // The schema CREATE puts an object in when its name has none.
  std::string creation_schema() const;
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
  // A column a statement defines, before it joins its table.
  struct ColumnEntry {
    Column column;
    ColumnOrigin origin;
    bool has_type = true;      // a partition's column options name none
    bool has_default = false;  // written, DEFAULT NULL too: it hides the domain's
  };
  static constexpr std::size_t kNoColumn = static_cast<std::size_t>(-1);
  static std::size_t column_index(const Table& table, std::string_view name);

  void apply(std::monostate) {}
  void apply(const TableDefinition& definition);
  void apply(const TableAlteration& alteration);
  void apply(const DomainDefinition& domain);
  void apply(const EnumDefinition& type);
  void apply(const SequenceDefinition& definition);
  void apply(const SequenceAlteration& alteration);
  void apply(const DropStatement& drop);
  void apply(const SelectStatement& select);
  void apply(const SetvalCall& call);

  // The key of the object `name` means, or empty.
  template <typename Map>
  std::string resolve(const Map& objects, const QualifiedName& name, bool temp_first) const;
  std::string sequence_key(const QualifiedName& name) const;
  bool resolve_type(const TypeName& type, Column& column, std::string& domain) const;  // true: a serial
  ColumnDefault resolve_default(const DefaultClause& clause) const;
  ColumnDefault domain_default(const std::string& domain) const;
  bool is_identity(const ColumnDefault& value) const;

  ColumnEntry define_column(const Table& table, const ColumnDefinition& definition);
  void generate(const Table& table, const GeneratedClause& clause, ColumnEntry& entry);
  void copy_columns(const Table& table, const LikeClause& like, std::vector<ColumnEntry>& own);
  std::string make_sequence(const Table& table, std::string_view column, const QualifiedName& name, Sequence sequence);

  // ALTER TABLE's actions on the table `key`, which follows it when it is renamed.
  void alter(std::string& key, const AddColumn& action, bool only);
  void alter(std::string& key, const DropColumn& action, bool only);
  void alter(std::string& key, const SetColumnDefault& action, bool only);
  void alter(std::string& key, const DropColumnDefault& action, bool only);
  void alter(std::string& key, const DropColumnIdentity& action, bool only);
  void alter(std::string& key, const SetColumnType& action, bool only);
  void alter(std::string& key, const AddColumnGenerated& action, bool only);
  void alter(std::string& key, const RenameColumn& action, bool only);
  void alter(std::string& key, const RenameTable& action, bool only);
  void alter(std::string& key, const SetTableSchema& action, bool only);
  void alter(std::string& key, const AttachPartition& action, bool only);
  void alter(std::string& key, const InheritTable& action, bool only);
  void alter(std::string& key, const NoInheritTable& action, bool only);

  void set_default(const std::string& key, const std::string& column, const ColumnDefault& value, bool recurse);
  void add_column(const std::string& key, ColumnEntry entry);
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
