#pragma once

#include <string_view>

#include "facts/block_writer.h"
#include "facts/fact_writer.h"
#include "io/line_reader.h"
#include "io/scan_outcome.h"
#include "sql/table_selection.h"

namespace pgdump2pl {

// Reads the dump as psql runs an SQL script, and writes the rows of every
// table that its COPY and INSERT statements load, each by the table's own
// columns and their types. `encoding`: of a script that declares none,
// empty for UTF8. `tables` null: every table. `predicates`: the Prolog
// the facts are for, and whether the columns are written as facts too.
ScanStatus convert_script(LineReader& script, FactWriter& facts, std::string_view encoding,
                          const TableSelection* tables, ConversionListener& listener, PredicateOptions predicates = {});

}  // namespace pgdump2pl
