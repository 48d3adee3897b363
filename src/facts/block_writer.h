#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "facts/fact_writer.h"
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

// One block of the fact file, from its banner to its count: the life that
// both modes give a table. The facts between them are written by the
// caller, through facts() and with functor().
class BlockWriter {
 public:
  // `by_columns`: the blocks are tables converted by their own columns,
  // which the misfit warning then speaks of.
  BlockWriter(FactWriter& facts, ConversionListener& listener, AtomQuoting quote_name, bool by_columns)
      : facts_(facts), listener_(listener), quote_name_(quote_name), by_columns_(by_columns) {}

  // Writes the banner and makes the functor of the block's facts.
  void open(std::string_view table_name);
  // One row of the open block, whose fact `fit` tells of.
  void count_row(RowFit fit, std::uint64_t line) {
    if (!fit.fits() && misfits_.misfit_rows++ == 0) {
      misfits_.first_line = line;
      misfits_.first = fit;
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
  FactWriter& facts_;
  ConversionListener& listener_;
  AtomQuoting quote_name_;
  bool by_columns_;
  bool open_ = false;
  std::string table_name_;
  std::string functor_;
  BlockMisfits misfits_{};
};

}  // namespace pgdump2pl
