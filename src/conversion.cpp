#include "conversion.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "facts/prolog_text.h"
#include "facts/row_conversion.h"
#include "facts/typed_row_conversion.h"

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

// Each block's rows by the columns its header lists, or else its table
// declares, typed as the table declares them.
class TypedBlocks {
 public:
  explicit TypedBlocks(const TableSchemas& schemas) : schemas_(schemas) {}

  void start_block(const DumpReader& dump) {
    functor_ = functor_for(dump.table_name());
    conversion_.reset();
    if (auto kinds = column_kinds(dump.header())) conversion_.emplace(functor_, std::move(*kinds));
  }

  RowFit convert(std::string_view row, FactWriter& facts) {
    // Nothing tells the columns: the first row's fields are texts.
    if (!conversion_) {
      const auto fields = static_cast<std::size_t>(std::count(row.begin(), row.end(), '\t')) + 1;
      conversion_.emplace(functor_, std::vector<ColumnKind>(fields, ColumnKind::text));
    }
    return conversion_->convert(row, facts);
  }

  std::size_t columns() const { return conversion_ ? conversion_->columns() : 0; }

 private:
  std::optional<std::vector<ColumnKind>> column_kinds(std::string_view header) const {
    QualifiedName table;
    const NameScan name = read_qualified_name(header, 0, table);
    std::vector<std::string> listed;
    if (!name.ok || !read_copy_columns(header.substr(name.end), listed).ok) listed.clear();
    const std::vector<Column>* declared =
        table.schema.empty() ? schemas_.find(table.name) : schemas_.find(table.schema, table.name);
    std::vector<ColumnKind> kinds;
    if (listed.empty()) {
      if (declared == nullptr) return std::nullopt;
      for (const Column& column : *declared) kinds.push_back(kind_of_type(column.type));
      return kinds;
    }
    // A listed column the table does not declare is a text.
    for (const std::string& listed_name : listed) {
      ColumnKind kind = ColumnKind::text;
      for (std::size_t i = 0; declared != nullptr && i < declared->size(); ++i) {
        if ((*declared)[i].name == listed_name) kind = kind_of_type((*declared)[i].type);
      }
      kinds.push_back(kind);
    }
    return kinds;
  }

  const TableSchemas& schemas_;
  std::string functor_;
  std::optional<TypedRowConversion> conversion_;
};

template <class Blocks>
ScanOutcome convert_blocks(DumpReader& dump, FactWriter& facts, MisfitListener& misfits, Blocks& blocks) {
  BlockMisfits block{};
  for (DumpReader::Item item; facts.ok() && (item = dump.next()) != DumpReader::Item::end;) {
    switch (item) {
      case DumpReader::Item::block:
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

ScanOutcome convert_dump(DumpReader& dump, FactWriter& facts, MisfitListener& misfits) {
  LayoutBlocks blocks;
  return convert_blocks(dump, facts, misfits, blocks);
}

ScanOutcome convert_all_tables(DumpReader& dump, const TableSchemas& schemas, FactWriter& facts,
                               MisfitListener& misfits) {
  TypedBlocks blocks(schemas);
  return convert_blocks(dump, facts, misfits, blocks);
}

}  // namespace pgdump2pl
