#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace pgdump2pl {

// An SQL name with its schema, if it had one, quotes removed.
struct QualifiedName {
  std::string schema;
  std::string name;
};

// Where a read stopped, and whether it read what it was after.
struct NameScan {
  std::size_t end;
  bool ok;
};

// Reads `name` or `schema.name` from `text` at `pos`, either part in
// double quotes (`""` inside them is one `"`). A part ends at whitespace
// or at one of `.,;()[` outside quotes.
NameScan read_qualified_name(std::string_view text, std::size_t pos, QualifiedName& name);

// The column list of a COPY header, given the header after the table's
// name (` (id, "Odd ""Name""") FROM stdin;`): ok with its names, unquoted,
// in `names`; ok with `names` empty when the header has no list; not ok
// when the list does not close.
NameScan read_copy_columns(std::string_view rest, std::vector<std::string>& names);

struct Column {
  std::string name;
  std::string type;  // as pg_dump spells it, a domain replaced by its base type
};

// The columns of the tables that the dump's CREATE TABLE statements
// declare. It is fed the lines outside data blocks, and keeps only the
// tables, their columns and the domains.
class TableSchemas {
 public:
  // One line, without its line end; a carriage return at its end is
  // dropped.
  void feed_line(std::string_view line);

  // The columns of the last table declared by that name, or nullptr. A
  // table declared without a schema answers for any schema.
  const std::vector<Column>* find(std::string_view schema, std::string_view name) const;
  // Of any schema, for a COPY header without one.
  const std::vector<Column>* find(std::string_view name) const;

 private:
  enum class State { outside, columns, after_columns };

  void start_table(std::string_view line, std::size_t pos);
  void read_column(std::string_view line);
  void read_after_columns(std::string_view line);
  void end_table();
  std::string resolved_type(std::string_view type) const;

  State state_ = State::outside;
  bool in_literal_ = false;  // a quoted literal runs on over the line end
  QualifiedName table_;
  std::vector<QualifiedName> parents_;
  std::vector<Column> columns_;
  // Keyed by schema, a zero byte, and name.
  std::map<std::string, std::vector<Column>, std::less<>> tables_;
  std::map<std::string, std::string, std::less<>> last_table_by_name_;  // the key in tables_
  std::map<std::string, std::string, std::less<>> domains_;            // base type by key
  std::map<std::string, std::string, std::less<>> last_domain_by_name_;
};

}  // namespace pgdump2pl
