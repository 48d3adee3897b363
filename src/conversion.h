#pragma once

#include <cstdint>
#include <string_view>

#include "dump/dump_reader.h"
#include "dump/table_schemas.h"
#include "facts/fact_writer.h"
#include "facts/row_fit.h"

namespace pgdump2pl {

enum class ScanStatus { complete, read_failed, write_failed };

struct ScanOutcome {
  ScanStatus status;
  int error;  // errno of the failure, 0 when complete
};

// The rows of one block whose facts do not hold their own values.
struct BlockMisfits {
  std::string_view table_name;
  std::int64_t misfit_rows;
  std::int64_t rows;
  std::uint64_t first_line;  // of the first such row in the dump
  RowFit first;
  std::size_t columns;  // with --all-tables, the table's; else 0
};

class MisfitListener {
 public:
  virtual ~MisfitListener() = default;
  // Called as the count of a block that had such rows is written.
  virtual void block_had_misfits(const BlockMisfits& block) = 0;
};

// Writes every data block of the dump as a banner, a fact per row and a
// row count, each row by the layout its table's name chooses. Stops at
// the first read or write error.
ScanOutcome convert_dump(DumpReader& dump, FactWriter& facts, MisfitListener& misfits);

// The same, each row by its table's own columns and their types, which
// `schemas` learns as `dump` reads the dump's definitions.
ScanOutcome convert_all_tables(DumpReader& dump, const TableSchemas& schemas, FactWriter& facts,
                               MisfitListener& misfits);

}  // namespace pgdump2pl
