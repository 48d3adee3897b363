#include "conversion.h"

#include "layouts/layout_conversion.h"
#include "sql/script_conversion.h"

namespace pgdump2pl {

ConversionOutcome convert(ByteSource& dump, ByteSink& facts, const ConversionOptions& options,
                          ConversionListener& listener) {
  LineReader lines(dump, options.read_size);
  FactWriter writer(facts, options.write_size);
  const ScanStatus scan =
      options.all_tables ? convert_script(lines, writer, options.encoding, options.tables, listener, options.predicates)
                         : convert_by_layouts(lines, writer, options.tables, listener);
  // What was converted before a read error is still written out.
  const int write_error = writer.finish();
  if (scan == ScanStatus::read_failed) return {scan, dump.failure()};
  if (write_error != 0) return {ScanStatus::write_failed, {write_error}};
  return {};
}

}  // namespace pgdump2pl
