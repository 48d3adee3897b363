// The catalog's tables: what CREATE TABLE and ALTER TABLE make of them.
#include <algorithm>

#include "sql/catalog.h"
#include "sql/column_default.h"
#include "sql/object_names.h"
#include "sql/statement_tokens.h"
#include "sql/type_name.h"

namespace pgdump2pl {

struct Catalog::ColumnDefinition {
  Column column;
  ColumnOrigin origin;
  bool has_type = true;      // a partition's column options name none
  bool has_default = false;  // written, DEFAULT NULL too: it hides the domain's
};

namespace {

constexpr std::size_t kNoColumn = static_cast<std::size_t>(-1);

std::size_t index_of(const Table& table, std::string_view name) {
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    if (table.columns[i].name == name) return i;
  }
  return kNoColumn;
}

bool begins_table_constraint(const Token& token) {
  for (const std::string_view word : {"constraint", "primary", "unique", "check", "foreign"}) {
    if (token.is_word(word)) return true;
  }
  return false;
}

std::uint8_t sequence_bytes(const ColumnType& type) {
  return type.kind == ColumnKind::integer && type.integer_bytes != 0 ? type.integer_bytes : 8;
}

}  // namespace

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

void Catalog::read_table(SqlLexer& lexer, bool temp) {
  const bool if_not_exists = accept_if_exists(lexer);
  QualifiedName name;
  if (!read_qualified_name(lexer, name)) return;
  if (name.schema.empty()) name.schema = temp ? "pg_temp" : creation_schema();
  const std::string key = object_key(name.schema, name.name);
  if (tables_.contains(key)) {
    if (if_not_exists) return;
    drop_table(key, false);
  }
  Relation relation;
  relation.table.schema = name.schema;
  relation.table.name = name.name;
  const bool partition = accept_word(lexer, "partition");
  if (partition) {
    QualifiedName parent;
    if (!accept_word(lexer, "of") || !read_qualified_name(lexer, parent)) return;
    std::string parent_key = resolve(tables_, parent, true);
    if (parent_key.empty()) return;
    relation.parents.push_back(std::move(parent_key));
  }
  std::vector<ColumnDefinition> own;
  if (accept_symbol(lexer, "(")) {
    while (!ends_statement(lexer.current()) && !lexer.current().is_symbol(")")) {
      read_table_element(lexer, relation.table, own, partition);
      skip_list_element(lexer);
      accept_symbol(lexer, ",");
    }
    accept_symbol(lexer, ")");
  } else if (!partition) {
    return;  // AS a query, OF a composite type: columns the catalog does not know
  }
  while (!ends_statement(lexer.current())) {
    if (lexer.current().is_word("as")) return;  // (a, b) AS a query: names without types
    if (accept_word(lexer, "inherits") && accept_symbol(lexer, "(")) {
      QualifiedName parent;
      do {
        if (!read_qualified_name(lexer, parent)) break;
        std::string parent_key = resolve(tables_, parent, true);
        if (!parent_key.empty() && std::find(relation.parents.begin(), relation.parents.end(), parent_key) ==
                                       relation.parents.end()) {
          relation.parents.push_back(std::move(parent_key));
        }
      } while (accept_symbol(lexer, ","));
      continue;
    }
    skip_group(lexer);
  }

  // The parents' columns first, one of each name; the table's own after
  // them, merged into an inherited one of the same name.
  std::vector<ColumnDefinition> columns;
  const auto find = [&columns](std::string_view column) {
    return std::find_if(columns.begin(), columns.end(),
                        [column](const ColumnDefinition& definition) { return definition.column.name == column; });
  };
  for (const std::string& parent_key : relation.parents) {
    const Relation& parent = tables_.at(parent_key);
    for (std::size_t i = 0; i < parent.table.columns.size(); ++i) {
      if (const auto merged = find(parent.table.columns[i].name); merged != columns.end()) {
        ++merged->origin.inherited;
        continue;
      }
      ColumnDefinition inherited{parent.table.columns[i], parent.origins[i]};
      inherited.origin.inherited = 1;
      inherited.origin.local = false;
      // Identity is the parent's own; a child's rows get no value from it.
      if (is_identity(inherited.column.default_value)) {
        inherited.column.default_value = domain_default(inherited.origin.domain);
      }
      columns.push_back(std::move(inherited));
    }
  }
  for (ColumnDefinition& definition : own) {
    const auto merged = find(definition.column.name);
    if (merged == columns.end()) {
      if (definition.has_type) columns.push_back(std::move(definition));
      continue;
    }
    merged->origin.local = true;
    if (definition.has_type) {
      merged->column.type = definition.column.type;
      merged->origin.domain = definition.origin.domain;
    }
    if (definition.has_default) {
      merged->column.default_value = std::move(definition.column.default_value);
      merged->column.generated = definition.column.generated;
    }
  }
  for (ColumnDefinition& definition : columns) {
    relation.table.columns.push_back(std::move(definition.column));
    relation.origins.push_back(std::move(definition.origin));
  }
  for (const std::string& parent : relation.parents) tables_.at(parent).children.push_back(key);
  tables_.insert_or_assign(key, std::move(relation));
}

void Catalog::read_table_element(SqlLexer& lexer, const Table& table, std::vector<ColumnDefinition>& own,
                                 bool partition) {
  if (accept_word(lexer, "like")) {
    read_like(lexer, table, own);
    return;
  }
  if (begins_table_constraint(lexer.current())) return;
  const bool plain_word = lexer.current().kind == TokenKind::word;
  ColumnDefinition definition;
  if (!read_name(lexer, definition.column.name)) return;
  if (plain_word && definition.column.name == "exclude" &&
      (lexer.current().is_symbol("(") || lexer.current().is_word("using"))) {
    return;
  }
  if (read_column(lexer, table, definition, partition)) own.push_back(std::move(definition));
}

bool Catalog::read_column(SqlLexer& lexer, const Table& table, ColumnDefinition& definition, bool typed) {
  bool serial = false;
  if (typed) {
    definition.has_type = false;
    if (accept_word(lexer, "with")) accept_word(lexer, "options");
  } else {
    TypeName type;
    if (!read_type_name(lexer, type)) return false;
    serial = resolve_type(type, definition.column, definition.origin.domain);
  }
  bool after_set = false;  // ON DELETE SET DEFAULT is no default
  while (!ends_statement(lexer.current()) && !lexer.current().is_symbol(",") && !lexer.current().is_symbol(")")) {
    if (lexer.current().is_word("default") && !after_set) {
      step(lexer);
      read_default(lexer, definition.column.default_value);
      definition.has_default = true;
      continue;
    }
    if (accept_word(lexer, "generated")) {
      read_generated(lexer, table, definition);
      continue;
    }
    after_set = lexer.current().is_word("set");
    skip_group(lexer);
  }
  if (serial) {
    definition.column.default_value = {
        ColumnDefault::Kind::sequence,
        make_sequence(table, definition.column.name, {}, Sequence(sequence_bytes(definition.column.type)))};
    definition.has_default = true;
  }
  return true;
}

void Catalog::read_default(SqlLexer& lexer, ColumnDefault& value) {
  QualifiedName sequence;
  read_column_default(lexer, value, sequence);
  if (value.kind == ColumnDefault::Kind::sequence) value.value = sequence_key(sequence);
}

// After GENERATED: ALWAYS AS (expression) STORED, or AS IDENTITY.
void Catalog::read_generated(SqlLexer& lexer, const Table& table, ColumnDefinition& definition) {
  if (!accept_word(lexer, "always")) {
    accept_word(lexer, "by");
    accept_word(lexer, "default");
  }
  accept_word(lexer, "as");
  Column& column = definition.column;
  definition.has_default = true;
  if (accept_word(lexer, "identity")) {
    Sequence sequence(sequence_bytes(column.type));
    sequence.identity = true;
    QualifiedName name;
    if (accept_symbol(lexer, "(")) {
      sequence.read_options(lexer, &name, nullptr);
      skip_list_element(lexer);
      accept_symbol(lexer, ")");
    }
    column.generated = false;
    column.default_value = {ColumnDefault::Kind::sequence, make_sequence(table, column.name, name, std::move(sequence))};
  } else if (lexer.current().is_symbol("(")) {
    column.generated = true;
    column.default_value.kind = ColumnDefault::Kind::expression;
    read_parenthesised_text(lexer, column.default_value.value);
    accept_word(lexer, "stored");
  }
}

void Catalog::read_like(SqlLexer& lexer, const Table& table, std::vector<ColumnDefinition>& own) {
  QualifiedName source_name;
  if (!read_qualified_name(lexer, source_name)) return;
  bool defaults = false, generated = false, identity = false;
  while (lexer.current().is_word("including") || lexer.current().is_word("excluding")) {
    const bool including = lexer.current().is_word("including");
    const Token& option = step(lexer);
    if (option.is_word("all")) defaults = generated = identity = including;
    if (option.is_word("defaults")) defaults = including;
    if (option.is_word("generated")) generated = including;
    if (option.is_word("identity")) identity = including;
    step(lexer);
  }
  const auto found = tables_.find(resolve(tables_, source_name, true));
  if (found == tables_.end()) return;
  const Relation& source = found->second;
  for (std::size_t i = 0; i < source.table.columns.size(); ++i) {
    ColumnDefinition definition{source.table.columns[i], {source.origins[i].domain}};
    definition.has_default = true;
    Column& column = definition.column;
    const bool kept = column.generated ? generated : is_identity(column.default_value) ? identity : defaults;
    if (!kept) {
      column.generated = false;
      column.default_value = domain_default(definition.origin.domain);
    } else if (is_identity(column.default_value)) {
      // The copy counts from its own start: a sequence like the source's.
      Sequence sequence;
      sequence.copy_options(sequences_.at(column.default_value.value));
      sequence.identity = true;
      column.default_value.value = make_sequence(table, column.name, {}, std::move(sequence));
    }
    own.push_back(std::move(definition));
  }
}

void Catalog::read_alter(SqlLexer& lexer) {
  step(lexer);
  if (accept_word(lexer, "table")) {
    accept_if_exists(lexer);
    const bool only = accept_word(lexer, "only");
    QualifiedName name;
    if (read_qualified_name(lexer, name)) {
      accept_symbol(lexer, "*");
      if (std::string key = resolve(tables_, name, true); !key.empty()) {
        do {
          read_table_action(lexer, key, only);
          skip_list_element(lexer);
        } while (accept_symbol(lexer, ","));
      }
    }
  } else if (accept_word(lexer, "sequence")) {
    accept_if_exists(lexer);
    QualifiedName name;
    if (read_qualified_name(lexer, name)) {
      if (const auto found = sequences_.find(resolve(sequences_, name, true)); found != sequences_.end()) {
        QualifiedName owner;
        found->second.read_options(lexer, nullptr, &owner);
        if (!owner.name.empty()) found->second.owner = resolve(tables_, owner, true);
      }
    }
  }
  lexer.skip_statement();
}

// One action of ALTER TABLE; `key` follows the table when it is renamed.
void Catalog::read_table_action(SqlLexer& lexer, std::string& key, bool only) {
  if (accept_word(lexer, "add")) {
    if (!accept_word(lexer, "column") &&
        (begins_table_constraint(lexer.current()) || lexer.current().is_word("exclude"))) {
      return;
    }
    const bool if_not_exists = accept_if_exists(lexer);
    ColumnDefinition definition;
    const Table& table = tables_.at(key).table;
    if (!read_name(lexer, definition.column.name)) return;
    if (if_not_exists && index_of(table, definition.column.name) != kNoColumn) return;
    if (read_column(lexer, table, definition, false)) add_column(key, std::move(definition));
  } else if (accept_word(lexer, "drop")) {
    if (!accept_word(lexer, "column") && lexer.current().is_word("constraint")) return;
    accept_if_exists(lexer);
    std::string column;
    if (read_name(lexer, column)) drop_column(key, column, !only);
  } else if (accept_word(lexer, "alter")) {
    accept_word(lexer, "column");
    std::string column;
    if (read_name(lexer, column)) read_column_action(lexer, key, column, only);
  } else if (accept_word(lexer, "rename")) {
    std::string from, to;
    if (accept_word(lexer, "to")) {
      if (read_name(lexer, to)) move_table(key, std::string(tables_.at(key).table.schema), to);
    } else if (!lexer.current().is_word("constraint")) {
      accept_word(lexer, "column");
      if (read_name(lexer, from) && accept_word(lexer, "to") && read_name(lexer, to)) rename_column(key, from, to);
    }
  } else if (accept_word(lexer, "set")) {
    std::string schema;
    if (accept_word(lexer, "schema") && read_name(lexer, schema)) {
      move_table(key, schema, std::string(tables_.at(key).table.name));
    }
  } else if (accept_word(lexer, "attach")) {
    QualifiedName child;
    if (accept_word(lexer, "partition") && read_qualified_name(lexer, child)) link(key, resolve(tables_, child, true));
  } else if (accept_word(lexer, "inherit")) {
    QualifiedName parent;
    if (read_qualified_name(lexer, parent)) link(resolve(tables_, parent, true), key);
  } else if (accept_word(lexer, "no")) {
    QualifiedName parent;
    if (accept_word(lexer, "inherit") && read_qualified_name(lexer, parent)) unlink(resolve(tables_, parent, true), key);
  }
}

// ALTER [COLUMN] column's action.
void Catalog::read_column_action(SqlLexer& lexer, const std::string& key, const std::string& column, bool only) {
  Relation& relation = tables_.at(key);
  const std::size_t index = index_of(relation.table, column);
  if (index == kNoColumn) return;
  if (accept_word(lexer, "set")) {
    if (accept_word(lexer, "default")) {
      ColumnDefault value;
      read_default(lexer, value);
      set_default(key, column, value, !only);
    } else if (accept_word(lexer, "data") && accept_word(lexer, "type")) {
      alter_type(lexer, key, column);
    }
  } else if (accept_word(lexer, "type")) {
    alter_type(lexer, key, column);
  } else if (accept_word(lexer, "drop")) {
    if (accept_word(lexer, "default")) {
      set_default(key, column, domain_default(relation.origins[index].domain), !only);
    } else if (accept_word(lexer, "identity") || accept_word(lexer, "expression")) {
      Column& dropped = relation.table.columns[index];
      if (is_identity(dropped.default_value)) sequences_.erase(dropped.default_value.value);
      dropped.generated = false;
      dropped.default_value = domain_default(relation.origins[index].domain);
    }
  } else if (accept_word(lexer, "add") && accept_word(lexer, "generated")) {
    ColumnDefinition definition{relation.table.columns[index], relation.origins[index]};
    read_generated(lexer, relation.table, definition);
    relation.table.columns[index] = std::move(definition.column);
  }
}

// The default of the column, and of the children's, which ALTER TABLE ONLY leaves be.
void Catalog::set_default(const std::string& key, const std::string& column, const ColumnDefault& value,
                          bool recurse) {
  Relation& relation = tables_.at(key);
  const std::size_t index = index_of(relation.table, column);
  if (index == kNoColumn) return;
  relation.table.columns[index].default_value = value;
  if (!recurse) return;
  for (const std::string& child : relation.children) set_default(child, column, value, true);
}

void Catalog::alter_type(SqlLexer& lexer, const std::string& key, const std::string& column) {
  TypeName type;
  if (!read_type_name(lexer, type)) return;
  ColumnDefinition definition;
  resolve_type(type, definition.column, definition.origin.domain);
  // The children's column changes with the parent's, ONLY or not.
  const auto apply = [&](const auto& self, const std::string& table_key) -> void {
    Relation& relation = tables_.at(table_key);
    const std::size_t index = index_of(relation.table, column);
    if (index == kNoColumn) return;
    relation.table.columns[index].type = definition.column.type;
    relation.origins[index].domain = definition.origin.domain;
    for (const std::string& child : relation.children) self(self, child);
  };
  apply(apply, key);
}

// PostgreSQL adds a parent's new column to every child, at its end.
void Catalog::add_column(const std::string& key, ColumnDefinition definition) {
  Relation& relation = tables_.at(key);
  if (const std::size_t index = index_of(relation.table, definition.column.name); index != kNoColumn) {
    ++relation.origins[index].inherited;
    return;
  }
  relation.table.columns.push_back(definition.column);
  relation.origins.push_back(definition.origin);
  definition.origin.inherited = 1;
  definition.origin.local = false;
  if (is_identity(definition.column.default_value)) {
    definition.column.default_value = domain_default(definition.origin.domain);
  }
  for (const std::string& child : relation.children) add_column(child, definition);
}

// A child keeps an inherited column that it defines itself or has from another parent.
void Catalog::drop_column(const std::string& key, const std::string& column, bool recurse) {
  Relation& relation = tables_.at(key);
  const std::size_t index = index_of(relation.table, column);
  if (index == kNoColumn) return;
  relation.table.columns.erase(relation.table.columns.begin() + static_cast<std::ptrdiff_t>(index));
  relation.origins.erase(relation.origins.begin() + static_cast<std::ptrdiff_t>(index));
  for (const std::string& child : relation.children) {
    Relation& inheritor = tables_.at(child);
    const std::size_t child_index = index_of(inheritor.table, column);
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
  const std::size_t index = index_of(relation.table, from);
  if (index == kNoColumn || index_of(relation.table, to) != kNoColumn) return;
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
  for (const std::string& parent : node.mapped().parents) std::replace(tables_.at(parent).children.begin(), tables_.at(parent).children.end(), key, moved);
  for (const std::string& child : node.mapped().children) std::replace(tables_.at(child).parents.begin(), tables_.at(child).parents.end(), key, moved);
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
    if (const std::size_t index = index_of(child.table, column.name); index != kNoColumn) ++child.origins[index].inherited;
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
    if (const std::size_t index = index_of(child.table, column.name); index != kNoColumn) {
      ColumnOrigin& origin = child.origins[index];
      if (origin.inherited > 0) --origin.inherited;
      origin.local = true;
    }
  }
}

}  // namespace pgdump2pl
