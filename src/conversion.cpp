#include "conversion.h"

#include <cstdint>

#include "facts/row_conversion.h"

namespace pgdump2pl {

ScanOutcome convert_dump(DumpReader& dump, FactWriter& facts) {
  RowConversion conversion;
  std::int64_t rows = 0;
  for (DumpReader::Item item; facts.ok() && (item = dump.next()) != DumpReader::Item::end;) {
    switch (item) {
      case DumpReader::Item::block:
        facts.write_banner(dump.table_name());
        conversion.start_table(dump.table_name());
        rows = 0;
        break;
      case DumpReader::Item::row:
        conversion.convert(dump.row(), facts);
        ++rows;
        break;
      case DumpReader::Item::block_end:
        facts.write_count(rows);
        break;
      case DumpReader::Item::end:
        break;
    }
  }
  if (!facts.ok()) return {ScanStatus::write_failed, facts.error()};
  if (dump.error() != 0) return {ScanStatus::read_failed, dump.error()};
  return {ScanStatus::complete, 0};
}

}  // namespace pgdump2pl
