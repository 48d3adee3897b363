#include "sql/catalog.h"

#include <algorithm>
#include <charconv>

#include "sql/column_default.h"
#include "sql/identifier.h"
#include "sql/object_names.h"
#include "sql/statement_tokens.h"
#include "sql/type_name.h"

namespace pgdump2pl {
namespace {

// The schemas of a search_path as PostgreSQL uses them here: "$user"
// names a schema that a dump's objects are not in.
void set_path(std::vector<std::string>& path, std::vector<std::string> names) {
  std::erase(names, "$user");
  path = std::move(names);
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

void Catalog::read_create(SqlLexer& lexer) {
  step(lexer);
  if (!accept_word(lexer, "global")) accept_word(lexer, "local");
  bool temp = accept_word(lexer, "temp") || accept_word(lexer, "temporary");
  if (!temp) accept_word(lexer, "unlogged");
  if (accept_word(lexer, "table")) {
    read_table(lexer, temp);
  } else if (accept_word(lexer, "domain")) {
    read_domain(lexer);
  } else if (accept_word(lexer, "type")) {
    read_enum(lexer);
  } else if (accept_word(lexer, "sequence")) {
    read_sequence(lexer, temp);
  }
  lexer.skip_statement();
}

bool Catalog::resolve_type(const TypeName& type, Column& column, std::string& domain) const {
  domain.clear();
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
  if (type.name.schema.empty() && !type.quoted && !type.array) {
    // serial and its kin are an integer type with a sequence of its own.
    static constexpr std::string_view kSerials[][2] = {
        {"serial", "integer"},  {"serial4", "integer"},  {"smallserial", "smallint"},
        {"serial2", "smallint"}, {"bigserial", "bigint"}, {"serial8", "bigint"}};
    for (const auto& [serial, integer] : kSerials) {
      if (type.name.name == serial) {
        column.type = column_type(integer, {}, false);
        return true;
      }
    }
  }
  column.type = column_type(type.name.name, type.modifiers, type.array);
  return false;
}

void Catalog::read_domain(SqlLexer& lexer) {
  QualifiedName name;
  if (!read_qualified_name(lexer, name)) return;
  if (name.schema.empty()) name.schema = creation_schema();
  accept_word(lexer, "as");
  TypeName type;
  if (!read_type_name(lexer, type)) return;
  Column base;
  std::string base_domain;
  resolve_type(type, base, base_domain);
  // A domain over a domain keeps the base's default unless it has its own.
  TypeDefinition definition{base.type, base.default_value};
  bool after_set = false;
  while (!ends_statement(lexer.current())) {
    if (lexer.current().is_word("default") && !after_set) {
      step(lexer);
      QualifiedName sequence;
      read_column_default(lexer, definition.default_value, sequence);
      if (definition.default_value.kind == ColumnDefault::Kind::sequence) {
        definition.default_value.value = sequence_key(sequence);
      }
      continue;
    }
    after_set = lexer.current().is_word("set");
    skip_group(lexer);
  }
  types_[object_key(name.schema, name.name)] = std::move(definition);
}

void Catalog::read_enum(SqlLexer& lexer) {
  QualifiedName name;
  if (!read_qualified_name(lexer, name) || !accept_word(lexer, "as") || !lexer.current().is_word("enum")) return;
  if (name.schema.empty()) name.schema = creation_schema();
  types_[object_key(name.schema, name.name)] = {column_type("text", {}, false), {}};
}

void Catalog::read_sequence(SqlLexer& lexer, bool temp) {
  const bool if_not_exists = accept_if_exists(lexer);
  QualifiedName name;
  if (!read_qualified_name(lexer, name)) return;
  if (name.schema.empty()) name.schema = temp ? "pg_temp" : creation_schema();
  std::string key = object_key(name.schema, name.name);
  if (if_not_exists && sequences_.contains(key)) return;
  Sequence sequence;
  QualifiedName owner;
  sequence.read_options(lexer, nullptr, &owner);
  if (!owner.name.empty()) sequence.owner = resolve(tables_, owner, true);
  sequences_.insert_or_assign(std::move(key), std::move(sequence));
}

void Catalog::read_select(SqlLexer& lexer) {
  step(lexer);
  do {
    QualifiedName function;
    const Token& token = lexer.current();
    if ((token.kind == TokenKind::word || token.kind == TokenKind::quoted_name) &&
        read_qualified_name(lexer, function) && (function.schema.empty() || function.schema == "pg_catalog") &&
        lexer.current().is_symbol("(")) {
      step(lexer);
      if (function.name == "setval") {
        read_setval(lexer);
      } else if (function.name == "set_config") {
        read_set_config(lexer);
      }
    }
    skip_list_element(lexer);
    while (lexer.current().is_symbol(")")) step(lexer);
  } while (accept_symbol(lexer, ","));
  lexer.skip_statement();
}

// setval('name', value [, is_called]) after its `(`.
void Catalog::read_setval(SqlLexer& lexer) {
  QualifiedName name;
  if (lexer.current().kind != TokenKind::string || !parse_regclass_text(lexer.current().text, name)) return;
  step(lexer);
  if (accept_symbol(lexer, "::")) {
    TypeName regclass;
    read_type_name(lexer, regclass);
  }
  if (!accept_symbol(lexer, ",")) return;
  const bool negative = accept_symbol(lexer, "-");
  const Token& number = lexer.current();
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(number.text.data(), number.text.data() + number.text.size(), value);
  if (number.kind != TokenKind::number || error != std::errc() || end != number.text.data() + number.text.size()) {
    return;
  }
  step(lexer);
  if (negative) value = -value;
  bool is_called = true;
  if (accept_symbol(lexer, ",")) {
    const Token& flag = lexer.current();
    is_called = flag.is_word("true") || (flag.kind == TokenKind::string && (flag.text == "t" || flag.text == "true"));
  }
  if (const auto found = sequences_.find(resolve(sequences_, name, true)); found != sequences_.end()) {
    found->second.set(value, is_called);
  }
}

// set_config('search_path', 'a, b', false), pg_dump's way to empty the path.
void Catalog::read_set_config(SqlLexer& lexer) {
  const Token& setting = lexer.current();
  if (setting.kind != TokenKind::string) return;
  std::string name(setting.text);
  std::transform(name.begin(), name.end(), name.begin(), fold_name_byte);
  if (name != "search_path" || !step(lexer).is_symbol(",")) return;
  const Token& value = step(lexer);
  std::vector<std::string> names;
  if (value.kind == TokenKind::string && split_identifier_list(value.text, names)) set_path(search_path_, std::move(names));
}

void Catalog::read_search_path(SqlLexer& lexer) {
  std::vector<std::string> names;
  if (!accept_word(lexer, "default")) {
    // Each item is one schema, a string too: SET search_path = 'a, b' names "a, b".
    std::string name;
    do {
      const Token& token = lexer.current();
      if (token.kind != TokenKind::word && token.kind != TokenKind::quoted_name && token.kind != TokenKind::string) {
        break;
      }
      name.assign(token.text);
      truncate_name(name);
      names.push_back(name);
      step(lexer);
    } while (accept_symbol(lexer, ","));
  } else {
    names.push_back("public");
  }
  set_path(search_path_, std::move(names));
  lexer.skip_statement();
}

void Catalog::read_drop(SqlLexer& lexer) {
  step(lexer);
  const bool table = accept_word(lexer, "table");
  const bool sequence = !table && accept_word(lexer, "sequence");
  const bool type = !table && !sequence && (accept_word(lexer, "domain") || accept_word(lexer, "type"));
  if (table || sequence || type) {
    accept_if_exists(lexer);
    QualifiedName name;
    do {
      if (!read_qualified_name(lexer, name)) break;
      if (table) {
        if (const std::string key = resolve(tables_, name, true); !key.empty()) drop_table(key, true);
      } else if (sequence) {
        sequences_.erase(resolve(sequences_, name, true));
      } else {
        types_.erase(resolve(types_, name, false));
      }
    } while (accept_symbol(lexer, ","));
  }
  lexer.skip_statement();
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
  // DROP fails on a parent unless it CASCADEs to the children.
  if (cascade) {
    for (const std::string& child : relation.children) drop_table(child, true);
  }
}

}  // namespace pgdump2pl
