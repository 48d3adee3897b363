#include "facts/block_writer.h"

#include "facts/prolog_text.h"

namespace pgdump2pl {

void BlockWriter::open(std::string_view table_name) {
  table_name_.assign(table_name);
  functor_ = is_plain_atom(table_name) ? table_name_ : quote_name_(table_name);
  facts_.write_banner(table_name);
  misfits_ = {};
  open_ = true;
}

void BlockWriter::open(std::string_view title, std::string_view functor_name,
                       std::span<const std::string> banner_lines) {
  table_name_.assign(title);
  functor_ = atom(functor_name);
  facts_.write_banner(title, banner_lines);
  misfits_ = {};
  dialect_rows_ = 0;
  columns_ = kNoColumns;
  as_list_ = false;
  open_ = true;
}

std::string BlockWriter::atom(std::string_view text) const {
  return is_plain_atom(text) ? std::string(text) : quote_name_(text);
}

// `functor/arity`, as the directive names a predicate.
static std::string indicator(std::string_view functor, std::size_t arity) {
  return std::string(functor) + '/' + std::to_string(arity);
}

// GNU Prolog ignores a discontiguous directive after the predicate's
// first clause, and one pass cannot know whether a table comes back: so
// every predicate gets one, before its first clause.
void BlockWriter::declare(std::size_t columns, std::uint64_t line) {
  columns_ = columns;
  const std::size_t most = max_arity(predicates_.dialect);
  as_list_ = columns > most;
  if (as_list_ && wide_.insert(functor_).second) {
    listener_.warning(line, "table " + table_name_ + " has " + std::to_string(columns) + " columns, more than the " +
                                std::to_string(most) + " arguments " + dialect_name(predicates_.dialect) +
                                " allows: its facts hold them in one list, " + functor_ + "([...])");
  }
  std::string predicate = indicator(functor_, as_list_ ? 1 : columns);
  if (declared_.contains(predicate)) return;
  facts_.append(":- discontiguous(" + predicate + ").\n");
  declared_.insert(std::move(predicate));
}

void BlockWriter::write_column_facts(std::span<const ColumnFact> columns) {
  if (columns.empty() || !described_.insert(functor_).second) return;
  const std::string head = std::string(kColumnFactsName) + '(' + functor_ + ',';
  if (declared_.insert(indicator(kColumnFactsName, 4)).second) {
    facts_.append(":- discontiguous(" + indicator(kColumnFactsName, 4) + ").\n");
  }
  std::size_t position = 0;
  for (const ColumnFact& column : columns) {
    facts_.append(head + std::to_string(++position) + ',' + atom(column.name) + ',' + atom(column.type) + ").\n");
  }
}

void BlockWriter::close(std::size_t columns, std::string_view encoding) {
  facts_.write_count(misfits_.rows);
  if (misfits_.misfit_rows > 0) {
    misfits_.table_name = table_name_;
    misfits_.columns = columns;
    misfits_.encoding = encoding;
    misfits_.all_tables = by_columns_;
    listener_.block_had_misfits(misfits_);
  }
  if (dialect_rows_ > 0) {
    listener_.warning(dialect_line_, "table " + table_name_ + ": " + std::to_string(dialect_rows_) + " of " +
                                         std::to_string(misfits_.rows) + " rows hold values that " +
                                         dialect_name(predicates_.dialect) +
                                         " cannot read as numbers, written as quoted atoms of their text (first: "
                                         "field " +
                                         std::to_string(dialect_field_) + ")");
  }
  open_ = false;
}

}  // namespace pgdump2pl
