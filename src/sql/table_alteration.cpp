// The catalog's tables as ALTER TABLE changes them, and their children with them.
#include <algorithm>

#include "sql/catalog.h"
#include "sql/object_names.h"
#include "sql/statement_tokens.h"
#include "sql/type_name.h"

namespace pgdump2pl {

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
    if (if_not_exists && column_index(table, definition.column.name) != kNoColumn) return;
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
  const std::size_t index = column_index(relation.table, column);
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
  const std::size_t index = column_index(relation.table, column);
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
    const std::size_t index = column_index(relation.table, column);
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
  if (const std::size_t index = column_index(relation.table, definition.column.name); index != kNoColumn) {
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
    if (const std::size_t index = column_index(child.table, column.name); index != kNoColumn) ++child.origins[index].inherited;
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
