#pragma once

#include <cstddef>
#include <string>

#include "facts/block_writer.h"
#include "facts/fact_writer.h"
#include "io/byte_sink.h"
#include "io/byte_source.h"
#include "io/failure.h"
#include "io/line_reader.h"
#include "io/scan_outcome.h"
#include "sql/table_selection.h"

namespace pgdump2pl {

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
  // With all_tables: the Prolog the facts are for, and the column facts.
  PredicateOptions predicates;
};

// How a conversion ended: complete, or stopped by the failure of the
// dump's reading or of the facts' writing.
struct ConversionOutcome {
  ScanStatus status = ScanStatus::complete;
  Failure failure;
};

// Reads the dump from its first byte to its last and writes the facts of
// its data to `facts`, flushing and closing it at the end. A read error
// ends the conversion with what was converted before it written out, and
// takes precedence over a write error.
ConversionOutcome convert(ByteSource& dump, ByteSink& facts, const ConversionOptions& options,
                          ConversionListener& listener);

}  // namespace pgdump2pl
