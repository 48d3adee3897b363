#pragma once

#include <string>
#include <string_view>

#include "rows/row_fields.h"

namespace pgdump2pl {

struct CsvOptions {
  char delimiter = ',';
  char quote = '"';
  char escape = '"';
  std::string_view null_string;
};

// Whether a CSV record that holds `line` goes on over the line end: a
// quoted field is still open after it. `in_quotes` carries the state
// from the record's earlier lines.
bool csv_record_continues(std::string_view line, const CsvOptions& options, bool in_quotes);

// Splits a whole CSV record (its lines joined by their line ends, without
// the last one) into fields, as COPY reads them: an unquoted field that
// is the null string is NULL, a quoted one never is; inside quotes the
// escape byte makes the next quote or escape byte plain. `quoted[i]`
// tells whether field i had quotes, for FORCE_NULL and FORCE_NOT_NULL.
void split_csv(std::string_view record, const CsvOptions& options, RowFields& row, std::string& quoted);

}  // namespace pgdump2pl
