#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "facts/fact_writer.h"
#include "facts/prolog_dialect.h"
#include "facts/row_fit.h"
#include "values/column_type.h"
#include "values/text_encoding.h"

namespace pgdump2pl {

// Writes the rows of a COPY block in pg_dump's text format straight from
// the line, one fact a row whose arguments are the fields, each the term
// its column's type calls for: the path nearly every row of a dump takes.
class TypedRowConversion {
 public:
  // `functor` as it goes in the fact; `encoding` must pass ASCII through
  // (UTF8, SQL_ASCII) and outlive the conversion. `as_list`: the values
  // go in one list argument; `dialect`: the Prolog that reads them.
  TypedRowConversion(std::string_view functor, std::vector<ColumnType> types, const TextEncoding& encoding,
                     bool as_list = false, PrologDialect dialect = PrologDialect::swi);

  // Writes `row` (no line end; a last carriage return is dropped, as COPY
  // does for CRLF input) as one fact, unless its field count is wrong.
  // A field its type cannot hold is written as a quoted atom. kReadSlack
  // readable bytes must follow the row.
  RowFit convert(std::string_view row, FactWriter& out);

  // Rows longer than this are written a field at a time, and a long text
  // a piece at a time.
  static constexpr std::size_t kLongRow = std::size_t{1} << 20;

  std::size_t columns() const { return types_.size(); }

 private:
  char* write_field(std::size_t column, const char*& p, const char* end, char* o, RowFit& fit);
  char* write_text(const char*& p, const char* end, char* out, bool& invalid);
  RowFit convert_long(std::string_view row, FactWriter& out);
  void write_long_text(const char*& p, const char* end, FactWriter& out, bool& invalid);
  std::string_view decoded(std::string_view field);

  std::string functor_;
  std::vector<ColumnType> types_;
  const TextEncoding& encoding_;
  std::size_t padding_ = 0;  // the blanks that character(n) columns may add to a row
  bool as_list_;
  PrologDialect dialect_;
  std::string scratch_;
};

}  // namespace pgdump2pl
