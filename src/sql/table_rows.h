#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "facts/fact_writer.h"
#include "facts/prolog_dialect.h"
#include "facts/row_fit.h"
#include "rows/row_fields.h"
#include "sql/catalog.h"
#include "values/column_type.h"
#include "values/text_encoding.h"

namespace pgdump2pl {

// The columns of one table's facts, and where the fields of a statement's
// rows go among them. The columns are the table's, in its order, less the
// generated ones, whenever the definitions know it; a statement's fields
// go to them by name, or by position.
class TableRows {
 public:
  // For a new block of `table` (nullptr: the definitions do not know it).
  void start(const Table* table);
  // For a statement that lists `listed` columns (none: all, by position;
  // INSERT counts the generated columns there, COPY does not).
  void plan(const std::vector<std::string>& listed, bool insert);

  // Whether the columns are known before a row comes: else the first
  // row's fields, all texts, make them.
  bool known() const { return known_; }
  void set_text_columns(std::size_t count);
  // Field i of a row goes to column i, for every column.
  bool in_order() const { return in_order_; }
  std::size_t columns() const { return columns_.size(); }
  ColumnType type(std::size_t column) const { return columns_[column].type; }
  // The name of the column that field i of a row goes to, or empty.
  std::string_view name_of_field(std::size_t field) const;

  // The name of column k as the definitions or a statement give it, and
  // its type as declared, empty when no definition declares it.
  std::string_view name(std::size_t column) const { return columns_[column].name; }
  std::string_view type_name(std::size_t column) const { return columns_[column].type_name; }

  // Writes `row` as one fact of the columns, a column it gives no value
  // taking its default (a sequence's next value from `catalog`). COPY must
  // give every listed column; INSERT may leave the last ones out. With
  // `as_list` the values are one list argument; `dialect` reads them.
  // Rows whose fact may pass this many bytes go a field at a time.
  static constexpr std::size_t kLongRow = std::size_t{1} << 20;
  RowFit write(const RowFields& row, bool copy, std::string_view functor, const TextEncoding& encoding,
               Catalog& catalog, FactWriter& facts, bool as_list = false, PrologDialect dialect = PrologDialect::swi);

 private:
  struct FactColumn {
    ColumnType type;
    const ColumnDefault* default_value;  // nullptr: NULL
    std::string name;
    std::string_view type_name;  // the definition's, which outlives the block
  };

  const Field& default_for(const FactColumn& column, std::size_t k, Catalog& catalog);
  const Field& refit(const Field& field, std::string_view value, const ColumnType& type, const TextEncoding& encoding,
                     std::size_t k);
  bool is_generated(std::string_view name) const;
  void refit_held(const RowFields& row, const TextEncoding& encoding);
  const Field& whole(const Field& field, std::string_view value, std::size_t k);
  static void write_long_text(std::string_view text, const TextEncoding& encoding, FactWriter& facts,
                              FieldProblem& problem);

  const Table* table_ = nullptr;
  std::vector<FactColumn> columns_;
  std::vector<int> target_;  // the column of each field of a row, -1 for none
  bool known_ = false;
  bool in_order_ = false;
  // Scratch kept from row to row.
  std::vector<const Field*> chosen_;
  // By column: a default, a refitted string, whether it was too long.
  std::vector<Field> defaults_, refitted_;
  std::vector<bool> too_long_;
  TextEncoding utf8_;
};

}  // namespace pgdump2pl
