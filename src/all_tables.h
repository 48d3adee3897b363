#pragma once

#include "conversion.h"

namespace pgdump2pl {

// Reads the dump as psql runs an SQL script, and writes the rows of every
// table that its COPY and INSERT statements load, each by the table's own
// columns and their types.
ScanOutcome convert_all_tables(LineReader& script, FactWriter& facts, const ConversionOptions& options,
                               ConversionListener& listener);

}  // namespace pgdump2pl
