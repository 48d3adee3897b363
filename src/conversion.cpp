#include "conversion.h"

#include "facts/row_conversion.h"

namespace pgdump2pl {

ScanOutcome convert_dump(DumpReader& dump, FactWriter& facts, MisfitListener& misfits) {
  RowConversion conversion;
  BlockMisfits block{};
  for (DumpReader::Item item; facts.ok() && (item = dump.next()) != DumpReader::Item::end;) {
    switch (item) {
      case DumpReader::Item::block:
        facts.write_banner(dump.table_name());
        conversion.start_table(dump.table_name());
        block = {};
        break;
      case DumpReader::Item::row:
        if (const RowFit fit = conversion.convert(dump.row(), facts); !fit.fits() && block.misfit_rows++ == 0) {
          block.first_line = dump.row_line();
          block.first = fit;
        }
        ++block.rows;
        break;
      case DumpReader::Item::block_end:
        facts.write_count(block.rows);
        if (block.misfit_rows > 0) {
          block.table_name = dump.table_name();
          misfits.block_had_misfits(block);
        }
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
