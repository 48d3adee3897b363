#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "facts/fact_writer.h"
#include "facts/row_fit.h"

namespace pgdump2pl {

// The Prolog term a column's fields become.
enum class ColumnKind : std::uint8_t { integer, floating, number, boolean, text };

// The kind of an SQL type as pg_dump spells it (`bigint`, `double
// precision`, `numeric(10,2)`); arrays and types it does not know are text.
ColumnKind kind_of_type(std::string_view type);


// Writes the rows of one table's COPY block as facts whose arguments are
// the row's fields, each the term its column's kind calls for.
class TypedRowConversion {
 public:
  // `functor` as functor_for() gives it.
  TypedRowConversion(std::string_view functor, std::vector<ColumnKind> kinds);

  // Writes `row` (no line end; a last carriage return is dropped, as COPY
  // does for CRLF input) as one fact, unless its field count is wrong.
  // A field that does not read as its kind is written as a quoted atom.
  // kReadSlack readable bytes must follow the row.
  RowFit convert(std::string_view row, FactWriter& out) const;

  std::size_t columns() const { return kinds_.size(); }

 private:
  std::string functor_;
  std::vector<ColumnKind> kinds_;
};

}  // namespace pgdump2pl
