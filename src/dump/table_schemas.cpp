#include "dump/table_schemas.h"

#include <algorithm>
#include <utility>

#include "bytes.h"

namespace pgdump2pl {
namespace {

// The words that may follow a column's type; a type is spelled in lower
// case or quoted, so none of them can be part of it.
constexpr std::string_view kAfterType[] = {"COLLATE", "DEFAULT",     "NOT",     "NULL",   "GENERATED",  "CONSTRAINT",
                                           "CHECK",   "COMPRESSION", "STORAGE", "UNIQUE", "PRIMARY", "REFERENCES"};

bool space_at(std::string_view text, std::size_t pos) { return is_space(static_cast<unsigned char>(text[pos])); }

std::size_t skip_space(std::string_view text, std::size_t pos) {
  while (pos < text.size() && space_at(text, pos)) ++pos;
  return pos;
}

std::string_view trim_end(std::string_view text) {
  while (!text.empty() && space_at(text, text.size() - 1)) text.remove_suffix(1);
  return text;
}

// `text` at `pos` holds `word`, then whitespace, `(` or its end.
bool word_at(std::string_view text, std::size_t pos, std::string_view word) {
  if (pos > text.size() || !text.substr(pos).starts_with(word)) return false;
  pos += word.size();
  return pos == text.size() || space_at(text, pos) || text[pos] == '(';
}

std::string key(std::string_view schema, std::string_view name) {
  std::string joined(schema);
  joined += '\0';
  return joined.append(name);
}

NameScan read_name(std::string_view text, std::size_t pos, std::string& name) {
  name.clear();
  if (pos < text.size() && text[pos] == '"') {
    for (++pos; pos < text.size(); ++pos) {
      if (text[pos] != '"') {
        name += text[pos];
      } else if (pos + 1 < text.size() && text[pos + 1] == '"') {
        name += text[++pos];
      } else {
        return {pos + 1, true};
      }
    }
    return {pos, false};
  }
  const std::size_t start = pos;
  while (pos < text.size() && !space_at(text, pos) && std::string_view(".,;()[").find(text[pos]) == std::string_view::npos) ++pos;
  name.assign(text.substr(start, pos - start));
  return {pos, pos > start};
}

// The type that starts at `pos`: its words up to a word of kAfterType or
// the end, less a final comma or semicolon. pg_dump puts no blank inside
// a type's parentheses, but a quoted name may hold one.
std::string_view type_at(std::string_view line, std::size_t pos) {
  const std::size_t start = skip_space(line, pos);
  std::size_t end = start;
  for (pos = start; pos < line.size(); pos = skip_space(line, pos)) {
    std::size_t word_end = pos;
    bool quoted = false;
    for (; word_end < line.size() && (quoted || !space_at(line, word_end)); ++word_end) {
      quoted = quoted != (line[word_end] == '"');
    }
    std::string_view word = line.substr(pos, word_end - pos);
    while (word.ends_with(',') || word.ends_with(';')) word.remove_suffix(1);
    if (std::find(std::begin(kAfterType), std::end(kAfterType), word) != std::end(kAfterType)) break;
    end = pos + word.size();
    pos = word_end;
  }
  return line.substr(start, end - start);
}

// Whether a single-quoted literal is still open after `line`, given
// whether one was open before it. A doubled quote toggles twice.
bool ends_in_literal(std::string_view line, bool in_literal) {
  bool in_name = false;
  for (const char c : line) {
    if (in_literal) {
      in_literal = c != '\'';
    } else if (in_name) {
      in_name = c != '"';
    } else {
      in_literal = c == '\'';
      in_name = c == '"';
    }
  }
  return in_literal;
}

void add_new_column(std::vector<Column>& columns, Column column) {
  if (std::none_of(columns.begin(), columns.end(), [&](const Column& known) { return known.name == column.name; })) {
    columns.push_back(std::move(column));
  }
}

}  // namespace

NameScan read_qualified_name(std::string_view text, std::size_t pos, QualifiedName& name) {
  name.schema.clear();
  NameScan scan = read_name(text, pos, name.name);
  while (scan.ok && scan.end < text.size() && text[scan.end] == '.') {
    name.schema = std::move(name.name);
    scan = read_name(text, scan.end + 1, name.name);
  }
  return scan;
}

NameScan read_copy_columns(std::string_view rest, std::vector<std::string>& names) {
  names.clear();
  std::size_t pos = skip_space(rest, 0);
  if (pos == rest.size() || rest[pos] != '(') return {pos, true};
  pos = skip_space(rest, pos + 1);
  for (std::string name;;) {
    const NameScan scan = read_name(rest, pos, name);
    if (!scan.ok) return scan;
    names.push_back(name);
    pos = skip_space(rest, scan.end);
    if (pos < rest.size() && rest[pos] == ')') return {pos + 1, true};
    if (pos == rest.size() || rest[pos] != ',') return {pos, false};
    pos = skip_space(rest, pos + 1);
  }
}

void TableSchemas::feed_line(std::string_view line) {
  if (line.ends_with('\r')) line.remove_suffix(1);
  if (state_ == State::columns) return read_column(line);
  if (state_ == State::after_columns) return read_after_columns(line);
  if (!line.starts_with("CREATE ")) return;
  std::size_t pos = word_at(line, 7, "UNLOGGED") ? 16 : 7;
  if (word_at(line, pos, "TABLE")) return start_table(line, skip_space(line, pos + 5));
  if (!word_at(line, 7, "DOMAIN")) return;
  QualifiedName domain;
  const NameScan scan = read_qualified_name(line, skip_space(line, 13), domain);
  if (!scan.ok || !line.substr(scan.end).starts_with(" AS ")) return;
  std::string base = resolved_type(type_at(line, scan.end + 4));
  last_domain_by_name_[domain.name] = base;
  domains_[key(domain.schema, domain.name)] = std::move(base);
}

void TableSchemas::start_table(std::string_view line, std::size_t pos) {
  columns_.clear();
  parents_.clear();
  in_literal_ = false;
  NameScan scan = read_qualified_name(line, pos, table_);
  if (!scan.ok) return;
  pos = skip_space(line, scan.end);
  if (line.substr(pos).starts_with("PARTITION OF ")) {
    parents_.emplace_back();
    scan = read_qualified_name(line, skip_space(line, pos + 13), parents_.back());
    pos = scan.end;
  }
  if (trim_end(line).ends_with('(')) {
    state_ = State::columns;
  } else {
    state_ = State::after_columns;
    read_after_columns(line.substr(pos));
  }
}

void TableSchemas::read_column(std::string_view line) {
  const bool continues_literal = in_literal_;
  in_literal_ = ends_in_literal(line, in_literal_);
  if (continues_literal) return;
  const std::size_t pos = skip_space(line, 0);
  if (pos < line.size() && line[pos] == ')') {
    state_ = State::after_columns;
    return read_after_columns(line.substr(pos + 1));
  }
  if (word_at(line, pos, "CONSTRAINT") || word_at(line, pos, "CHECK")) return;
  Column column;
  const NameScan scan = read_name(line, pos, column.name);
  if (!scan.ok) return;
  column.type = resolved_type(type_at(line, scan.end));
  columns_.push_back(std::move(column));
}

void TableSchemas::read_after_columns(std::string_view line) {
  if (const std::size_t inherits = line.find("INHERITS ("); inherits != std::string_view::npos) {
    for (std::size_t pos = inherits + 9; pos < line.size() && (line[pos] == '(' || line[pos] == ',');) {
      parents_.emplace_back();
      const NameScan scan = read_qualified_name(line, skip_space(line, pos + 1), parents_.back());
      if (!scan.ok) break;
      pos = skip_space(line, scan.end);
    }
  }
  if (trim_end(line).ends_with(';')) end_table();
}

void TableSchemas::end_table() {
  std::vector<Column> columns;
  for (const QualifiedName& parent : parents_) {
    const std::vector<Column>* inherited = parent.schema.empty() ? find(parent.name) : find(parent.schema, parent.name);
    if (inherited == nullptr) continue;
    for (const Column& column : *inherited) add_new_column(columns, column);
  }
  for (Column& column : columns_) add_new_column(columns, std::move(column));
  std::string table_key = key(table_.schema, table_.name);
  last_table_by_name_[table_.name] = table_key;
  tables_[std::move(table_key)] = std::move(columns);
  state_ = State::outside;
}

// A domain, by its qualified name or else by its name alone, gives the
// base type it was declared with.
std::string TableSchemas::resolved_type(std::string_view type) const {
  QualifiedName named;
  const NameScan scan = read_qualified_name(type, 0, named);
  if (!scan.ok || scan.end != type.size()) return std::string(type);
  if (const auto domain = domains_.find(key(named.schema, named.name)); domain != domains_.end()) return domain->second;
  if (const auto domain = last_domain_by_name_.find(named.name); domain != last_domain_by_name_.end()) return domain->second;
  return std::string(type);
}

const std::vector<Column>* TableSchemas::find(std::string_view schema, std::string_view name) const {
  if (const auto table = tables_.find(key(schema, name)); table != tables_.end()) return &table->second;
  if (const auto table = tables_.find(key({}, name)); table != tables_.end()) return &table->second;
  return nullptr;
}

const std::vector<Column>* TableSchemas::find(std::string_view name) const {
  const auto last = last_table_by_name_.find(name);
  return last == last_table_by_name_.end() ? nullptr : &tables_.find(last->second)->second;
}

}  // namespace pgdump2pl
