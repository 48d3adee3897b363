#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "sql/table_selection.h"

namespace pgdump2pl {

enum class PatternStatus : std::uint8_t {
  ok,
  // pg_dump reads the unquoted | + ( ) [ ] { } ^ \ as a regular
  // expression's operators; matching them literally would select other
  // tables than pg_dump does.
  regular_expression,
  // More than database.schema.table.
  too_many_dots,
};

// How far a pattern was read: `position` is the byte at fault when the
// status is not ok.
struct PatternReading {
  std::size_t position;
  PatternStatus status;
};

// One -t or -T pattern, read as pg_dump reads it: `*` is any run of
// characters, `?` one character, unquoted letters fold to lower case, and
// within double quotes (`""` being a quote) every character stands for
// itself. `schema.table` matches the two names separately; without a dot
// the table name in any schema; a database part is not checked.
class TablePattern {
 public:
  PatternReading read(std::string_view pattern);
  bool matches(std::string_view schema, std::string_view table) const;

 private:
  // A part of the pattern, a step per byte to match, `?` or `*`.
  struct Step {
    enum class Kind : std::uint8_t { byte, any_one, any_run } kind;
    char byte;
  };
  using Part = std::vector<Step>;
  static bool part_matches(const Part& part, std::string_view name);

  Part schema_;
  Part table_;
  bool has_schema_ = false;
};

// The tables a run converts: with no -t pattern every table, else those
// some -t pattern matches; a table a -T pattern matches never.
class TableFilter final : public TableSelection {
 public:
  PatternReading include(std::string_view pattern);
  PatternReading exclude(std::string_view pattern);
  // Names as PostgreSQL stores them: unquoted names already folded.
  bool selects(std::string_view schema, std::string_view table) const override;

 private:
  static PatternReading add(std::vector<TablePattern>& patterns, std::string_view pattern);
  static bool any_matches(const std::vector<TablePattern>& patterns, std::string_view schema, std::string_view table);

  std::vector<TablePattern> included_;
  std::vector<TablePattern> excluded_;
};

}  // namespace pgdump2pl
