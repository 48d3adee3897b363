#pragma once

#include <cstdint>

namespace pgdump2pl {

// What kept a field of a row from holding that row's own value.
enum class FieldProblem : std::uint8_t { none, null, not_integer, missing };

// Whether a row fit its table's layout, and if not, its first field that
// did not.
struct RowFit {
  FieldProblem problem = FieldProblem::none;
  std::uint8_t field = 0;  // counted from 1

  bool fits() const { return problem == FieldProblem::none; }
  void note(std::uint8_t at, FieldProblem what) {
    if (fits()) *this = {what, at};
  }
};

}  // namespace pgdump2pl
