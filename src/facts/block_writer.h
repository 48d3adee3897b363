#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "facts/fact_writer.h"
#include "facts/prolog_dialect.h"
#include "facts/row_fit.h"

namespace pgdump2pl {

// The rows of one block whose facts do not hold their own values.
struct BlockMisfits {
  std::string_view table_name;
  std::int64_t misfit_rows;
  std::int64_t rows;
  std::uint64_t first_line;  // of the first such row in the dump
  RowFit first;
  std::size_t columns;        // of a table converted by its columns; else 0
  std::string_view encoding;  // of such a table's block
  bool all_tables;
};

// What a conversion tells its user besides the facts.
class ConversionListener {
 public:
  virtual ~ConversionListener() = default;
  // Called as the count of a block that had such rows is written.
  virtual void block_had_misfits(const BlockMisfits& block) = 0;
  // Something the user should know about the script at `line` (0: the
  // whole dump), such as a statement whose rows cannot be converted.
  virtual void warning(std::uint64_t line, std::string_view text) = 0;
};

// How a table's name becomes a quoted atom when it is not a plain one.
using AtomQuoting = std::string (*)(std::string_view name);

// What --all-tables adds to a block: the predicates of the file and their
// directives, the column facts, and the dialect's limits.
struct PredicateOptions {
  PrologDialect dialect = PrologDialect::swi;
  bool column_facts = false;
};

// The name of the predicate of the column facts. The caller never gives
// a table this functor (see TableFunctors).
inline constexpr std::string_view kColumnFactsName = "pgdump2pl_column";

// Functors that a consulting Prolog does not store as facts: it runs
// them (a directive, a query), rewrites what follows with them, or stops
// at them. A table of such a name is given another functor.
inline constexpr std::string_view kFunctorsPrologActsOn[] = {
    ":-", "?-", "-->", "end_of_file", "term_expansion", "goal_expansion",
};

// One column of a table, as the column facts give it.
struct ColumnFact {
  std::string_view name;  // UTF-8
  std::string_view type;  // as declared, or empty when not
};

// One block of the fact file, from its banner to its count: the life that
// both modes give a table. The facts between them are written by the
// caller, through facts() and with functor().
class BlockWriter {
 public:
  // `by_columns`: the blocks are tables converted by their own columns,
  // which the misfit warning then speaks of, and whose predicates get
  // what `predicates` says.
  BlockWriter(FactWriter& facts, ConversionListener& listener, AtomQuoting quote_name, bool by_columns,
              PredicateOptions predicates = {})
      : facts_(facts), listener_(listener), quote_name_(quote_name), by_columns_(by_columns), predicates_(predicates) {}

  // Writes the banner and makes the functor of the block's facts.
  void open(std::string_view table_name);
  // The same for a table converted by its columns: `title` names it in the
  // banner and warnings, `functor_name` is its facts' name before quoting,
  // `banner_lines` follow the title.
  void open(std::string_view title, std::string_view functor_name, std::span<const std::string> banner_lines);
  // Writes the column facts of the open block's table, once per functor.
  void write_column_facts(std::span<const ColumnFact> columns);

  // Before each fact of a table converted by its columns, which has
  // `columns` values: its predicate's first fact in the file gets a
  // discontiguous directive, so that later blocks of the table load too.
  // Whether the values go in one list, the arity being beyond the
  // dialect's.
  bool start_fact(std::size_t columns, std::uint64_t line) {
    if (columns != columns_) declare(columns, line);
    return as_list_;
  }

  // One row of the open block, whose fact `fit` tells of.
  void count_row(RowFit fit, std::uint64_t line) {
    if (!fit.fits() && misfits_.misfit_rows++ == 0) {
      misfits_.first_line = line;
      misfits_.first = fit;
    }
    if (fit.dialect_field != 0 && dialect_rows_++ == 0) {
      dialect_line_ = line;
      dialect_field_ = fit.dialect_field;
    }
    ++misfits_.rows;
  }
  // Writes the count, and tells the listener of rows that did not fit.
  void close(std::size_t columns = 0, std::string_view encoding = {});

  bool is_open() const { return open_; }
  // The name itself when it is a plain atom, else the name quoted.
  const std::string& functor() const { return functor_; }
  FactWriter& facts() { return facts_; }

 private:
  void declare(std::size_t columns, std::uint64_t line);
  std::string atom(std::string_view text) const;

  FactWriter& facts_;
  ConversionListener& listener_;
  AtomQuoting quote_name_;
  bool by_columns_;
  PredicateOptions predicates_;
  bool open_ = false;
  std::string table_name_;
  std::string functor_;
  BlockMisfits misfits_{};
  std::int64_t dialect_rows_ = 0;
  std::uint64_t dialect_line_ = 0;
  std::uint32_t dialect_field_ = 0;
  // The open block's values per fact, and whether they go in a list.
  std::size_t columns_ = kNoColumns;
  bool as_list_ = false;
  // What the file has had: declared predicates (`functor/arity`), tables
  // warned of as wide, tables with column facts.
  std::set<std::string> declared_, wide_, described_;

  static constexpr std::size_t kNoColumns = static_cast<std::size_t>(-1);
};

}  // namespace pgdump2pl
