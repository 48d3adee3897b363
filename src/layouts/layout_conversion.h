#pragma once

#include "facts/block_writer.h"
#include "facts/fact_writer.h"
#include "io/line_reader.h"
#include "io/scan_outcome.h"
#include "sql/table_selection.h"

namespace pgdump2pl {

// The default mode: the rows of each COPY block by the layout the first
// letters of its table's name choose. `tables` null: every table.
ScanStatus convert_by_layouts(LineReader& dump, FactWriter& facts, const TableSelection* tables,
                              ConversionListener& listener);

}  // namespace pgdump2pl
