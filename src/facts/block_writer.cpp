#include "facts/block_writer.h"

#include "facts/prolog_text.h"

namespace pgdump2pl {

void BlockWriter::open(std::string_view table_name) {
  table_name_.assign(table_name);
  functor_ = is_plain_atom(table_name) ? table_name_ : quote_name_(table_name);
  facts_.write_banner(table_name);
  misfits_ = {};
  open_ = true;
}

void BlockWriter::close(std::size_t columns, std::string_view encoding) {
  facts_.write_count(misfits_.rows);
  if (misfits_.misfit_rows > 0) {
    misfits_.table_name = table_name_;
    misfits_.columns = columns;
    misfits_.encoding = encoding;
    misfits_.all_tables = by_columns_;
    listener_.block_had_misfits(misfits_);
  }
  open_ = false;
}

}  // namespace pgdump2pl
