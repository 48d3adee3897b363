#include "rows/csv_fields.h"

namespace pgdump2pl {

bool csv_record_continues(std::string_view line, const CsvOptions& options, bool in_quotes) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (!in_quotes) {
      in_quotes = c == options.quote;
    } else if (c == options.escape && i + 1 < line.size() &&
               (line[i + 1] == options.quote || line[i + 1] == options.escape)) {
      ++i;
    } else if (c == options.quote) {
      in_quotes = false;
    }
  }
  return in_quotes;
}

void split_csv(std::string_view record, const CsvOptions& options, RowFields& row, std::string& quoted) {
  row.clear();
  quoted.clear();
  if (!record.empty() && record.back() == '\r') record.remove_suffix(1);
  std::size_t i = 0;
  for (;;) {
    Field& field = row.add(Field::Source::value);
    bool saw_quote = false, in_quotes = false;
    const std::size_t start = i;
    for (; i < record.size() && (in_quotes || record[i] != options.delimiter); ++i) {
      const char c = record[i];
      if (!in_quotes && c == options.quote) {
        in_quotes = saw_quote = true;
      } else if (in_quotes && c == options.escape && i + 1 < record.size() &&
                 (record[i + 1] == options.quote || record[i + 1] == options.escape)) {
        field.bytes += record[++i];
      } else if (in_quotes && c == options.quote) {
        in_quotes = false;
      } else {
        field.bytes += c;
      }
    }
    if (!saw_quote && record.substr(start, i - start) == options.null_string) field.source = Field::Source::null;
    quoted += saw_quote ? 'q' : '-';
    if (i >= record.size()) return;
    ++i;
  }
}

}  // namespace pgdump2pl
