#pragma once

#include "dump/line_reader.h"
#include "facts/fact_writer.h"

namespace pgdump2pl {

enum class ScanStatus { complete, read_failed, write_failed };

struct ScanOutcome {
  ScanStatus status;
  int error;  // errno of the failure, 0 when complete
};

// Converts the data blocks of a dump, from its first byte to its last.
// A block opens at a line that starts with COPY and whitespace; every
// line after it up to the one starting with "\." is a row of that table.
// Every other line is skipped. Stops at the first read or write error.
ScanOutcome scan_dump(LineReader& fileRead, FactWriter& fileWrite);

}  // namespace pgdump2pl
