#pragma once

#include "dump/dump_reader.h"
#include "facts/fact_writer.h"

namespace pgdump2pl {

enum class ScanStatus { complete, read_failed, write_failed };

struct ScanOutcome {
  ScanStatus status;
  int error;  // errno of the failure, 0 when complete
};

// Writes every data block of the dump as a banner, a fact per row and a
// row count. Stops at the first read or write error.
ScanOutcome convert_dump(DumpReader& dump, FactWriter& facts);

}  // namespace pgdump2pl
