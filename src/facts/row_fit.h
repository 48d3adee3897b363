#pragma once

#include <cstdint>

namespace pgdump2pl {

// What kept a row's fact from holding that row's own values.
enum class FieldProblem : std::uint8_t {
  none,
  null,         // a layout's field is \N
  not_integer,  // a field does not read as its kind
  not_float,
  not_number,
  not_boolean,
  missing,       // the row ended before the layout's last field
  expression,    // SQL that needs a database to compute: its text
  invalid_text,  // bytes not valid in the script's encoding
  too_long,      // a string longer than its column's n characters: its whole text
  field_count,   // the row's fields are not the table's columns: no fact
  dialect,       // a value the target Prolog cannot read as a number: its text
};

// Whether a row fit its table's layout, and if not, its first field that
// did not, or for field_count, how many fields it has. A value written as
// text for the target Prolog is no misfit: it is told apart.
struct RowFit {
  FieldProblem problem = FieldProblem::none;
  std::uint32_t field = 0;          // counted from 1
  std::uint32_t length = 0;         // too_long: the column's n
  std::uint32_t dialect_field = 0;  // the first field quoted for the dialect, or 0

  bool fits() const { return problem == FieldProblem::none; }
  void note(std::uint32_t at, FieldProblem what, std::uint32_t n = 0) {
    if (what == FieldProblem::dialect) {
      if (dialect_field == 0) dialect_field = at;
    } else if (fits()) {
      problem = what;
      field = at;
      length = n;
    }
  }
};

}  // namespace pgdump2pl
