#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "dump/byte_source.h"
#include "dump/line_reader.h"
#include "facts/byte_sink.h"
#include "facts/fact_writer.h"
#include "facts/row_fit.h"

namespace pgdump2pl {

enum class ScanStatus { complete, read_failed, write_failed };

struct ScanOutcome {
  ScanStatus status;
  int error;  // errno of the failure, 0 when complete
};

// Which tables a run converts, by their names as PostgreSQL stores them;
// `schema` is empty when the dump does not say.
class TableSelection {
 public:
  virtual ~TableSelection() = default;
  virtual bool selects(std::string_view schema, std::string_view table) const = 0;
};

struct ConversionOptions {
  // Every table by its own columns and types, instead of the layouts
  // chosen by the tables' names.
  bool all_tables = false;
  // With all_tables: the encoding of a script that declares none; empty
  // for UTF8.
  std::string encoding;
  // Tests make both small, so that lines straddle refills and flushes.
  std::size_t read_size = LineReader::kDefaultBlockSize;
  std::size_t write_size = FactWriter::kDefaultCapacity;
  // Null: every table. A table left out gets no banner, facts or count.
  const TableSelection* tables = nullptr;
};

// The rows of one block whose facts do not hold their own values.
struct BlockMisfits {
  std::string_view table_name;
  std::int64_t misfit_rows;
  std::int64_t rows;
  std::uint64_t first_line;  // of the first such row in the dump
  RowFit first;
  std::size_t columns;          // with all_tables, the table's; else 0
  std::string_view encoding;    // with all_tables, the block's
  bool all_tables;
};

class ConversionListener {
 public:
  virtual ~ConversionListener() = default;
  // Called as the count of a block that had such rows is written.
  virtual void block_had_misfits(const BlockMisfits& block) = 0;
  // Something the user should know about the script at `line` (0: the
  // whole dump), such as a statement whose rows cannot be converted.
  virtual void warning(std::uint64_t line, std::string_view text) = 0;
};

// Reads the dump from its first byte to its last and writes the facts of
// its data to `facts`, flushing and closing it at the end. A read error
// ends the conversion with what was converted before it written out, and
// takes precedence over a write error.
ScanOutcome convert(ByteSource& dump, ByteSink& facts, const ConversionOptions& options,
                    ConversionListener& listener);

}  // namespace pgdump2pl
