#include "conversion.h"

#include "facts/prolog_text.h"
#include "facts/row_conversion.h"
#include "all_tables.h"
#include "dump/dump_reader.h"

namespace pgdump2pl {
namespace {

// Each block's rows by the layout its table's name chooses.
class LayoutBlocks {
 public:
  void start_block(const DumpReader& dump) { conversion_.start_table(dump.table_name()); }
  RowFit convert(std::string_view row, FactWriter& facts) { return conversion_.convert(row, facts); }
  std::size_t columns() const { return 0; }

 private:
  RowConversion conversion_;
};

template <class Blocks>
ScanOutcome convert_blocks(DumpReader& dump, FactWriter& facts, ConversionListener& misfits, Blocks& blocks,
                           const TableSelection* tables) {
  BlockMisfits block{};
  for (DumpReader::Item item; facts.ok() && (item = dump.next()) != DumpReader::Item::end;) {
    switch (item) {
      case DumpReader::Item::block:
        if (tables != nullptr && !tables->selects(dump.schema_name(), dump.stored_table_name())) {
          dump.skip_block();
          break;
        }
        facts.write_banner(dump.table_name());
        blocks.start_block(dump);
        block = {};
        break;
      case DumpReader::Item::row:
        if (const RowFit fit = blocks.convert(dump.row(), facts); !fit.fits() && block.misfit_rows++ == 0) {
          block.first_line = dump.row_line();
          block.first = fit;
        }
        ++block.rows;
        break;
      case DumpReader::Item::block_end:
        facts.write_count(block.rows);
        if (block.misfit_rows > 0) {
          block.table_name = dump.table_name();
          block.columns = blocks.columns();
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

}  // namespace

ScanOutcome convert(ByteSource& dump, ByteSink& facts, const ConversionOptions& options,
                    ConversionListener& listener) {
  LineReader lines(dump, options.read_size);
  FactWriter writer(facts, options.write_size);
  ScanOutcome scan{ScanStatus::complete, 0};
  if (options.all_tables) {
    scan = convert_all_tables(lines, writer, options, listener);
  } else {
    DumpReader reader(lines);
    LayoutBlocks blocks;
    scan = convert_blocks(reader, writer, listener, blocks, options.tables);
    if (scan.status == ScanStatus::complete && !reader.saw_block() && reader.saw_insert()) {
      listener.warning(0, "the dump holds its rows in INSERT statements, which only --all-tables converts");
    }
  }
  // What was converted before a read error is still written out.
  const int write_error = writer.finish();
  if (scan.status == ScanStatus::read_failed) return scan;
  if (write_error != 0) return {ScanStatus::write_failed, write_error};
  return scan;
}

}  // namespace pgdump2pl
