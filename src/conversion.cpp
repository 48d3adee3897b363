#include "conversion.h"

#include <cerrno>
#include <new>

#include "layouts/layout_conversion.h"
#include "sql/script_conversion.h"

namespace pgdump2pl {

ConversionOutcome convert(ByteSource& dump, ByteSink& facts, const ConversionOptions& options,
                          ConversionListener& listener) {
  LineReader lines(dump, options.read_size);
  FactWriter writer(facts, options.write_size);
  ScanStatus scan = ScanStatus::read_failed;
  Failure out_of_memory;
  try {
    scan = options.all_tables
               ? convert_script(lines, writer, options.encoding, options.tables, listener, options.predicates)
               : convert_by_layouts(lines, writer, options.tables, listener);
  } catch (const std::bad_alloc&) {
    // A failure like a read error: the facts so far are still written.
    out_of_memory.set(ENOMEM, "out of memory");
  }
  // What was converted before a read error is still written out.
  const int write_error = writer.finish();
  if (out_of_memory.failed()) return {scan, out_of_memory};
  if (scan == ScanStatus::read_failed) return {scan, lines.failure()};
  if (write_error != 0) return {ScanStatus::write_failed, {write_error}};
  return {};
}

}  // namespace pgdump2pl
