#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "facts/fact_writer.h"

namespace pgdump2pl {

// The Prolog term a column's fields become.
enum class ColumnKind : std::uint8_t { integer, floating, number, boolean, text };

// The kind of an SQL type as pg_dump spells it (`bigint`, `double
// precision`, `numeric(10,2)`); arrays and types it does not know are text.
ColumnKind kind_of_type(std::string_view type);

// "an integer", "a float", "a number", "a boolean", "a text".
std::string_view kind_with_article(ColumnKind kind);

enum class RowStatus : std::uint8_t { written, not_its_kind, wrong_field_count };

struct RowResult {
  RowStatus status = RowStatus::written;
  // not_its_kind: the first field (1-based) that was written as a quoted
  // atom because it does not read as its column's kind.
  std::size_t column = 0;
  // wrong_field_count: how many fields the row has.
  std::size_t fields = 0;
};

// Writes the rows of one table's COPY block as facts whose arguments are
// the row's fields, each the term its column's kind calls for.
class TypedRowConversion {
 public:
  // `functor` as functor_for() gives it.
  TypedRowConversion(std::string_view functor, std::vector<ColumnKind> kinds);

  // Writes `row` (no line end; a last carriage return is dropped, as COPY
  // does for CRLF input) as one fact, unless its field count is wrong.
  // kReadSlack readable bytes must follow the row.
  RowResult convert(std::string_view row, FactWriter& out) const;

  std::size_t columns() const { return kinds_.size(); }

 private:
  std::string functor_;
  std::vector<ColumnKind> kinds_;
};

}  // namespace pgdump2pl
