#include "layouts/layout_conversion.h"

#include "facts/prolog_text.h"
#include "layouts/copy_block_reader.h"
#include "layouts/row_conversion.h"

namespace pgdump2pl {

ScanStatus convert_by_layouts(LineReader& lines, FactWriter& facts, const TableSelection* tables,
                              ConversionListener& listener) {
  CopyBlockReader dump(lines);
  BlockWriter block(facts, listener, quoted_as_dumped, false);
  RowConversion conversion(&lines);
  for (CopyBlockReader::Item item; facts.ok() && (item = dump.next()) != CopyBlockReader::Item::end;) {
    switch (item) {
      case CopyBlockReader::Item::block:
        if (tables != nullptr && !tables->selects(dump.schema_name(), dump.stored_table_name())) {
          dump.skip_block();
          break;
        }
        block.open(dump.table_name());
        conversion.start_table(dump.table_name(), block.functor());
        break;
      case CopyBlockReader::Item::row: block.count_row(conversion.convert(dump.row(), facts), dump.row_line()); break;
      case CopyBlockReader::Item::block_end: block.close(); break;
      case CopyBlockReader::Item::end: break;
    }
  }
  if (!facts.ok()) return ScanStatus::write_failed;
  if (dump.error() != 0) return ScanStatus::read_failed;
  if (!dump.saw_block() && dump.saw_insert()) {
    listener.warning(0, "the dump holds its rows in INSERT statements, which only --all-tables converts");
  }
  return ScanStatus::complete;
}

}  // namespace pgdump2pl
