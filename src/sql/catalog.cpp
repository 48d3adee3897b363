#include "sql/catalog.h"

#include <algorithm>

#include "sql/object_names.h"
#include "sql/statement_tokens.h"

namespace pgdump2pl {
namespace {

// The schemas of a search_path as PostgreSQL uses them here: "$user"
// names a schema that a dump's objects are not in.
void set_path(std::vector<std::string>& path, std::vector<std::string> names) {
  std::erase(names, "$user");
  path = std::move(names);
}

std::uint8_t sequence_bytes(const ColumnType& type) {
  return type.kind == ColumnKind::integer && type.integer_bytes != 0 ? type.integer_bytes : 8;
}

}  // namespace

std::string Catalog::creation_schema() const {
  for (const std::string& schema : search_path_) {
    if (schema != "pg_catalog") return schema;
  }
  return "public";
}

template <typename Map>
std::string Catalog::resolve(const Map& objects, const QualifiedName& name, bool temp_first) const {
  if (!name.schema.empty()) {
    std::string key = object_key(name.schema, name.name);
    return objects.contains(key) ? key : std::string();
  }
  // Temporary relations come first unless the path places pg_temp itself.
  if (temp_first && std::find(search_path_.begin(), search_path_.end(), "pg_temp") == search_path_.end()) {
    std::string key = object_key("pg_temp", name.name);
    if (objects.contains(key)) return key;
  }
  for (const std::string& schema : search_path_) {
    std::string key = object_key(schema, name.name);
    if (objects.contains(key)) return key;
  }
  if (search_path_.empty()) {
    std::string key = object_key("public", name.name);
    if (objects.contains(key)) return key;
  }
  return {};
}

const Table* Catalog::find_table(const QualifiedName& name) const {
  const auto found = tables_.find(resolve(tables_, name, true));
  return found == tables_.end() ? nullptr : &found->second.table;
}

bool Catalog::has_table_elsewhere(std::string_view schema, std::string_view name) const {
  for (const auto& [key, relation] : tables_) {
    if (relation.table.name == name && relation.table.schema != schema) return true;
  }
  return false;
}

bool Catalog::next_value(std::string_view sequence_key, std::int64_t& value) {
  const auto found = sequences_.find(std::string(sequence_key));
  return found != sequences_.end() && found->second.next(value);
}

std::string Catalog::sequence_key(const QualifiedName& name) const {
  std::string key = resolve(sequences_, name, true);
  // A sequence the script never made: the default names it all the same.
  if (key.empty()) key = object_key(name.schema.empty() ? creation_schema() : name.schema, name.name);
  return key;
}

void Catalog::apply(const DefinitionStatement& statement) {
  std::visit([this](const auto& definition) { apply(definition); }, statement);
}

bool Catalog::resolve_type(const TypeName& type, Column& column, std::string& domain) const {
  domain.clear();
  column.type_name = type_text(type);
  if (const std::string key = resolve(types_, type.name, false); !key.empty()) {
    const TypeDefinition& definition = types_.at(key);
    if (type.array) {
      column.type = column_type("text", {}, true);
      return false;
    }
    column.type = definition.type;
    column.default_value = definition.default_value;
    domain = key;
    return false;
  }
  if (type.name.schema.empty() && !type.array) {
    // serial and its kin are an integer type with a sequence of its own,
    // quoted or not, as PostgreSQL compares the bare name.
    static constexpr std::string_view kSerials[][2] = {{"serial", "integer"},       {"serial4", "integer"},
                                                       {"smallserial", "smallint"}, {"serial2", "smallint"},
                                                       {"bigserial", "bigint"},     {"serial8", "bigint"}};
    for (const auto& [serial, integer] : kSerials) {
      if (type.name.name == serial) {
        column.type = column_type(integer, {}, false);
        return true;
      }
    }
  }
  // `"char"`, quoted, is a one-byte type, not character(1).
  const bool one_byte_char = type.quoted && type.name.name == "char";
  column.type = column_type(one_byte_char ? "\"char\"" : type.name.name, type.modifiers, type.array);
  return false;
}

ColumnDefault Catalog::resolve_default(const DefaultClause& clause) const {
  ColumnDefault value = clause.value;
  if (value.kind == ColumnDefault::Kind::sequence) value.value = sequence_key(clause.sequence);
  return value;
}

void Catalog::apply(const DomainDefinition& domain) {
  const std::string schema = domain.name.schema.empty() ? creation_schema() : domain.name.schema;
  Column base;
  std::string base_domain;
  resolve_type(domain.type, base, base_domain);
  // A domain over a domain keeps the base's default unless it has its own.
  TypeDefinition definition{base.type, base.default_value};
  if (domain.default_value) definition.default_value = resolve_default(*domain.default_value);
  types_[object_key(schema, domain.name.name)] = std::move(definition);
}

void Catalog::apply(const EnumDefinition& type) {
  const std::string schema = type.name.schema.empty() ? creation_schema() : type.name.schema;
  types_[object_key(schema, type.name.name)] = {ColumnType{}, {}};
}

void Catalog::apply(const SequenceDefinition& definition) {
  const QualifiedName& name = definition.name;
  std::string key =
      object_key(name.schema.empty() ? (definition.temporary ? "pg_temp" : creation_schema()) : name.schema, name.name);
  if (definition.if_not_exists && sequences_.contains(key)) return;
  Sequence sequence;
  sequence.apply(definition.options);
  if (!definition.options.owned_by.name.empty()) sequence.owner = resolve(tables_, definition.options.owned_by, true);
  sequences_.insert_or_assign(std::move(key), std::move(sequence));
}

void Catalog::apply(const SequenceAlteration& alteration) {
  const auto found = sequences_.find(resolve(sequences_, alteration.name, true));
  if (found == sequences_.end()) return;
  found->second.apply(alteration.options);
  if (!alteration.options.owned_by.name.empty())
    found->second.owner = resolve(tables_, alteration.options.owned_by, true);
}

void Catalog::apply(const SelectStatement& select) {
  for (const SelectCall& call : select.calls) {
    std::visit([this](const auto& each) { apply(each); }, call);
  }
}

void Catalog::apply(const SetvalCall& call) {
  if (const auto found = sequences_.find(resolve(sequences_, call.sequence, true)); found != sequences_.end()) {
    found->second.set(call.value, call.is_called);
  }
}

void Catalog::apply(const SearchPath& path) { set_path(search_path_, path.schemas); }

void Catalog::apply(const DropStatement& drop) {
  for (const QualifiedName& name : drop.names) {
    if (drop.kind == DropStatement::Kind::table) {
      if (const std::string key = resolve(tables_, name, true); !key.empty()) drop_table(key, true);
    } else if (drop.kind == DropStatement::Kind::sequence) {
      sequences_.erase(resolve(sequences_, name, true));
    } else {
      types_.erase(resolve(types_, name, false));
    }
  }
}

void Catalog::drop_table(const std::string& key, bool cascade) {
  const auto found = tables_.find(key);
  if (found == tables_.end()) return;
  Relation relation = std::move(found->second);
  tables_.erase(found);
  for (const std::string& parent : relation.parents) {
    if (const auto entry = tables_.find(parent); entry != tables_.end()) std::erase(entry->second.children, key);
  }
  // The implicit sequences of its serial and identity columns go with it.
  std::erase_if(sequences_, [&](const auto& entry) { return entry.second.owner == key; });
  // DROP fails on a parent unless it CASCADEs to the children. A table
  // defined anew leaves them standing, no longer its children.
  for (const std::string& child : relation.children) {
    if (cascade) {
      drop_table(child, true);
    } else if (const auto entry = tables_.find(child); entry != tables_.end()) {
      std::erase(entry->second.parents, key);
    }
  }
}

std::size_t Catalog::column_index(const Table& table, std::string_view name) {
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    if (table.columns[i].name == name) return i;
  }
  return kNoColumn;
}

ColumnDefault Catalog::domain_default(const std::string& domain) const {
  const auto found = types_.find(domain);
  return found == types_.end() ? ColumnDefault{} : found->second.default_value;
}

bool Catalog::is_identity(const ColumnDefault& value) const {
  if (value.kind != ColumnDefault::Kind::sequence) return false;
  const auto found = sequences_.find(value.value);
  return found != sequences_.end() && found->second.identity;
}

std::string Catalog::make_sequence(const Table& table, std::string_view column, const QualifiedName& name,
                                   Sequence sequence) {
  std::string key;
  if (name.name.empty()) {
    // PostgreSQL's choice: table_column_seq, or seq1, seq2... while taken.
    for (int pass = 0;; ++pass) {
      std::string label = "seq";
      if (pass > 0) label += std::to_string(pass);
      key = object_key(table.schema, implicit_sequence_name(table.name, column, label));
      if (!tables_.contains(key) && !sequences_.contains(key)) break;
    }
  } else {
    key = object_key(name.schema.empty() ? table.schema : name.schema, name.name);
  }
  sequence.owner = object_key(table.schema, table.name);
  sequences_.insert_or_assign(key, std::move(sequence));
  return key;
}

void Catalog::apply(const TableDefinition& definition) {
  const QualifiedName& name = definition.name;
  Relation relation;
  relation.table.schema = name.schema.empty() ? (definition.temporary ? "pg_temp" : creation_schema()) : name.schema;
  relation.table.name = name.name;
  const std::string key = object_key(relation.table.schema, relation.table.name);
  if (tables_.contains(key)) {
    if (definition.if_not_exists) return;
    drop_table(key, false);
  }
  if (definition.partition) {
    if (!definition.parent) return;
    std::string parent_key = resolve(tables_, *definition.parent, true);
    if (parent_key.empty()) return;
    relation.parents.push_back(std::move(parent_key));
  }
  // The elements make their sequences whether or not a table comes of them.
  std::vector<ColumnEntry> own;
  for (const TableElement& element : definition.elements) {
    if (const auto* column = std::get_if<ColumnDefinition>(&element)) {
      own.push_back(define_column(relation.table, *column));
    } else {
      copy_columns(relation.table, std::get<LikeClause>(element), own);
    }
  }
  if (!definition.columns_known) return;
  for (const QualifiedName& parent : definition.inherits) {
    std::string parent_key = resolve(tables_, parent, true);
    if (!parent_key.empty() &&
        std::find(relation.parents.begin(), relation.parents.end(), parent_key) == relation.parents.end()) {
      relation.parents.push_back(std::move(parent_key));
    }
  }

  // The parents' columns first, one of each name; the table's own after
  // them, merged into an inherited one of the same name.
  std::vector<ColumnEntry> columns;
  const auto find = [&columns](std::string_view column) {
    return std::find_if(columns.begin(), columns.end(),
                        [column](const ColumnEntry& entry) { return entry.column.name == column; });
  };
  for (const std::string& parent_key : relation.parents) {
    const Relation& parent = tables_.at(parent_key);
    for (std::size_t i = 0; i < parent.table.columns.size(); ++i) {
      if (const auto merged = find(parent.table.columns[i].name); merged != columns.end()) {
        ++merged->origin.inherited;
        continue;
      }
      ColumnEntry inherited{parent.table.columns[i], parent.origins[i]};
      inherited.origin.inherited = 1;
      inherited.origin.local = false;
      // Identity is the parent's own; a child's rows get no value from it.
      if (is_identity(inherited.column.default_value)) {
        inherited.column.default_value = domain_default(inherited.origin.domain);
      }
      columns.push_back(std::move(inherited));
    }
  }
  for (ColumnEntry& entry : own) {
    const auto merged = find(entry.column.name);
    if (merged == columns.end()) {
      if (entry.has_type) columns.push_back(std::move(entry));
      continue;
    }
    merged->origin.local = true;
    if (entry.has_type) {
      merged->column.type = entry.column.type;
      merged->origin.domain = entry.origin.domain;
    }
    if (entry.has_default) {
      merged->column.default_value = std::move(entry.column.default_value);
      merged->column.generated = entry.column.generated;
    }
  }
  for (ColumnEntry& entry : columns) {
    relation.table.columns.push_back(std::move(entry.column));
    relation.origins.push_back(std::move(entry.origin));
  }
  for (const std::string& parent : relation.parents) tables_.at(parent).children.push_back(key);
  tables_.insert_or_assign(key, std::move(relation));
}

// The clauses in written order: each DEFAULT or GENERATED stands for the
// ones before it, though an identity's sequence stays made.
Catalog::ColumnEntry Catalog::define_column(const Table& table, const ColumnDefinition& definition) {
  ColumnEntry entry;
  entry.column.name = definition.name;
  bool serial = false;
  if (definition.type) {
    serial = resolve_type(*definition.type, entry.column, entry.origin.domain);
  } else {
    entry.has_type = false;
  }
  for (const ColumnClause& clause : definition.clauses) {
    if (const auto* value = std::get_if<DefaultClause>(&clause)) {
      entry.column.default_value = resolve_default(*value);
      entry.has_default = true;
    } else {
      generate(table, std::get<GeneratedClause>(clause), entry);
    }
  }
  if (serial) {
    entry.column.default_value = {
        ColumnDefault::Kind::sequence,
        make_sequence(table, entry.column.name, {}, Sequence(sequence_bytes(entry.column.type)))};
    entry.has_default = true;
  }
  return entry;
}

void Catalog::generate(const Table& table, const GeneratedClause& clause, ColumnEntry& entry) {
  Column& column = entry.column;
  entry.has_default = true;
  if (clause.kind == GeneratedClause::Kind::identity) {
    Sequence sequence(sequence_bytes(column.type));
    sequence.identity = true;
    QualifiedName name;
    if (clause.identity) {
      sequence.apply(*clause.identity);
      name = clause.identity->name;
    }
    column.generated = false;
    column.default_value = {ColumnDefault::Kind::sequence,
                            make_sequence(table, column.name, name, std::move(sequence))};
  } else if (clause.kind == GeneratedClause::Kind::stored) {
    column.generated = true;
    column.default_value = {ColumnDefault::Kind::expression, clause.expression};
  }
}

// LIKE's copies of the source's columns, with the defaults it keeps.
void Catalog::copy_columns(const Table& table, const LikeClause& like, std::vector<ColumnEntry>& own) {
  const auto found = tables_.find(resolve(tables_, like.source, true));
  if (found == tables_.end()) return;
  const Relation& source = found->second;
  for (std::size_t i = 0; i < source.table.columns.size(); ++i) {
    ColumnEntry entry{source.table.columns[i], {source.origins[i].domain}};
    entry.has_default = true;
    Column& column = entry.column;
    const bool kept = column.generated                    ? like.generated
                      : is_identity(column.default_value) ? like.identity
                                                          : like.defaults;
    if (!kept) {
      column.generated = false;
      column.default_value = domain_default(entry.origin.domain);
    } else if (is_identity(column.default_value)) {
      // The copy counts from its own start: a sequence like the source's.
      Sequence sequence;
      sequence.copy_options(sequences_.at(column.default_value.value));
      sequence.identity = true;
      column.default_value.value = make_sequence(table, column.name, {}, std::move(sequence));
    }
    own.push_back(std::move(entry));
  }
}

void Catalog::apply(const TableAlteration& alteration) {
  std::string key = resolve(tables_, alteration.table, true);
  if (key.empty()) return;
  for (const TableAction& action : alteration.actions) {
    std::visit([&](const auto& each) { alter(key, each, alteration.only); }, action);
  }
}

void Catalog::alter(std::string& key, const AddColumn& action, bool) {
  const Table& table = tables_.at(key).table;
  if (action.if_not_exists && column_index(table, action.column.name) != kNoColumn) return;
  add_column(key, define_column(table, action.column));
}

void Catalog::alter(std::string& key, const DropColumn& action, bool only) { drop_column(key, action.column, !only); }

void Catalog::alter(std::string& key, const SetColumnDefault& action, bool only) {
  if (column_index(tables_.at(key).table, action.column) == kNoColumn) return;
  set_default(key, action.column, resolve_default(action.value), !only);
}

void Catalog::alter(std::string& key, const DropColumnDefault& action, bool only) {
  const Relation& relation = tables_.at(key);
  const std::size_t index = column_index(relation.table, action.column);
  if (index == kNoColumn) return;
  set_default(key, action.column, domain_default(relation.origins[index].domain), !only);
}

void Catalog::alter(std::string& key, const DropColumnIdentity& action, bool) {
  Relation& relation = tables_.at(key);
  const std::size_t index = column_index(relation.table, action.column);
  if (index == kNoColumn) return;
  Column& dropped = relation.table.columns[index];
  if (is_identity(dropped.default_value)) sequences_.erase(dropped.default_value.value);
  dropped.generated = false;
  dropped.default_value = domain_default(relation.origins[index].domain);
}

// The children's column changes with the parent's, ONLY or not.
void Catalog::alter(std::string& key, const SetColumnType& action, bool) {
  if (column_index(tables_.at(key).table, action.column) == kNoColumn) return;
  ColumnEntry entry;
  resolve_type(action.type, entry.column, entry.origin.domain);
  const auto apply_type = [&](const auto& self, const std::string& table_key) -> void {
    Relation& relation = tables_.at(table_key);
    const std::size_t index = column_index(relation.table, action.column);
    if (index == kNoColumn) return;
    relation.table.columns[index].type = entry.column.type;
    relation.table.columns[index].type_name = entry.column.type_name;
    relation.origins[index].domain = entry.origin.domain;
    for (const std::string& child : relation.children) self(self, child);
  };
  apply_type(apply_type, key);
}

void Catalog::alter(std::string& key, const AddColumnGenerated& action, bool) {
  Relation& relation = tables_.at(key);
  const std::size_t index = column_index(relation.table, action.column);
  if (index == kNoColumn) return;
  ColumnEntry entry{relation.table.columns[index], relation.origins[index]};
  generate(relation.table, action.generated, entry);
  relation.table.columns[index] = std::move(entry.column);
}

void Catalog::alter(std::string& key, const RenameColumn& action, bool) { rename_column(key, action.from, action.to); }

void Catalog::alter(std::string& key, const RenameTable& action, bool) {
  move_table(key, std::string(tables_.at(key).table.schema), action.name);
}

void Catalog::alter(std::string& key, const SetTableSchema& action, bool) {
  move_table(key, action.schema, std::string(tables_.at(key).table.name));
}

void Catalog::alter(std::string& key, const AttachPartition& action, bool) {
  link(key, resolve(tables_, action.partition, true));
}

void Catalog::alter(std::string& key, const InheritTable& action, bool) {
  link(resolve(tables_, action.parent, true), key);
}

void Catalog::alter(std::string& key, const NoInheritTable& action, bool) {
  unlink(resolve(tables_, action.parent, true), key);
}

// The default of the column, and of the children's, which ALTER TABLE ONLY leaves be.
void Catalog::set_default(const std::string& key, const std::string& column, const ColumnDefault& value, bool recurse) {
  Relation& relation = tables_.at(key);
  const std::size_t index = column_index(relation.table, column);
  if (index == kNoColumn) return;
  relation.table.columns[index].default_value = value;
  if (!recurse) return;
  for (const std::string& child : relation.children) set_default(child, column, value, true);
}

// PostgreSQL adds a parent's new column to every child, at its end.
void Catalog::add_column(const std::string& key, ColumnEntry entry) {
  Relation& relation = tables_.at(key);
  if (const std::size_t index = column_index(relation.table, entry.column.name); index != kNoColumn) {
    ++relation.origins[index].inherited;
    return;
  }
  relation.table.columns.push_back(entry.column);
  relation.origins.push_back(entry.origin);
  entry.origin.inherited = 1;
  entry.origin.local = false;
  if (is_identity(entry.column.default_value)) {
    entry.column.default_value = domain_default(entry.origin.domain);
  }
  for (const std::string& child : relation.children) add_column(child, entry);
}

// A child keeps an inherited column that it defines itself or has from another parent.
void Catalog::drop_column(const std::string& key, const std::string& column, bool recurse) {
  Relation& relation = tables_.at(key);
  const std::size_t index = column_index(relation.table, column);
  if (index == kNoColumn) return;
  relation.table.columns.erase(relation.table.columns.begin() + static_cast<std::ptrdiff_t>(index));
  relation.origins.erase(relation.origins.begin() + static_cast<std::ptrdiff_t>(index));
  for (const std::string& child : relation.children) {
    Relation& inheritor = tables_.at(child);
    const std::size_t child_index = column_index(inheritor.table, column);
    if (child_index == kNoColumn) continue;
    ColumnOrigin& origin = inheritor.origins[child_index];
    if (origin.inherited > 0) --origin.inherited;
    if (!recurse) {
      origin.local = true;
    } else if (origin.inherited == 0 && !origin.local) {
      drop_column(child, column, true);
    }
  }
}

void Catalog::rename_column(const std::string& key, const std::string& from, const std::string& to) {
  Relation& relation = tables_.at(key);
  const std::size_t index = column_index(relation.table, from);
  if (index == kNoColumn || column_index(relation.table, to) != kNoColumn) return;
  relation.table.columns[index].name = to;
  for (const std::string& child : relation.children) rename_column(child, from, to);
}

void Catalog::move_table(std::string& key, const std::string& schema, const std::string& name) {
  std::string moved = object_key(schema, name);
  if (tables_.contains(moved)) return;
  auto node = tables_.extract(key);
  node.key() = moved;
  node.mapped().table.schema = schema;
  node.mapped().table.name = name;
  for (const std::string& parent : node.mapped().parents)
    std::replace(tables_.at(parent).children.begin(), tables_.at(parent).children.end(), key, moved);
  for (const std::string& child : node.mapped().children)
    std::replace(tables_.at(child).parents.begin(), tables_.at(child).parents.end(), key, moved);
  for (auto& [sequence_key, sequence] : sequences_) {
    if (sequence.owner == key) sequence.owner = moved;
  }
  tables_.insert(std::move(node));
  key = std::move(moved);
}

void Catalog::link(const std::string& parent_key, const std::string& child_key) {
  if (parent_key.empty() || child_key.empty() || parent_key == child_key) return;
  Relation& parent = tables_.at(parent_key);
  Relation& child = tables_.at(child_key);
  if (std::find(child.parents.begin(), child.parents.end(), parent_key) != child.parents.end()) return;
  parent.children.push_back(child_key);
  child.parents.push_back(parent_key);
  for (const Column& column : parent.table.columns) {
    if (const std::size_t index = column_index(child.table, column.name); index != kNoColumn)
      ++child.origins[index].inherited;
  }
}

void Catalog::unlink(const std::string& parent_key, const std::string& child_key) {
  if (parent_key.empty()) return;
  Relation& parent = tables_.at(parent_key);
  Relation& child = tables_.at(child_key);
  if (std::find(child.parents.begin(), child.parents.end(), parent_key) == child.parents.end()) return;
  std::erase(parent.children, child_key);
  std::erase(child.parents, parent_key);
  // The columns stay, now the child's own.
  for (const Column& column : parent.table.columns) {
    if (const std::size_t index = column_index(child.table, column.name); index != kNoColumn) {
      ColumnOrigin& origin = child.origins[index];
      if (origin.inherited > 0) --origin.inherited;
      origin.local = true;
    }
  }
}

}  // namespace pgdump2pl
