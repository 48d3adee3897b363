// The catalog's tables as CREATE TABLE defines them.
#include <algorithm>

#include "sql/catalog.h"
#include "sql/column_default.h"
#include "sql/object_names.h"
#include "sql/statement_tokens.h"
#include "sql/type_name.h"

namespace pgdump2pl {

namespace {

std::uint8_t sequence_bytes(const ColumnType& type) {
  return type.kind == ColumnKind::integer && type.integer_bytes != 0 ? type.integer_bytes : 8;
}

}  // namespace

std::size_t Catalog::column_index(const Table& table, std::string_view name) {
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    if (table.columns[i].name == name) return i;
  }
  return kNoColumn;
}

bool Catalog::begins_table_constraint(const Token& token) {
  for (const std::string_view word : {"constraint", "primary", "unique", "check", "foreign"}) {
    if (token.is_word(word)) return true;
  }
  return false;
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

}  // namespace pgdump2pl
