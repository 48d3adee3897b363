#pragma once

#include <string>
#include <string_view>

#include "dump/byte_source.h"
#include "dump/dump_scanner.h"
#include "dump/line_reader.h"
#include "facts/byte_sink.h"
#include "facts/fact_writer.h"

namespace pgdump2pl::testing {

struct Converted {
  std::string facts;
  ScanStatus status;
};

// The whole conversion with no file in between; a small block size makes
// lines straddle the reader's refills.
inline Converted convert_in_memory(std::string_view dump,
                                   std::size_t block_size = LineReader::kDefaultBlockSize,
                                   std::size_t out_capacity = FactWriter::kDefaultCapacity) {
  Converted result{};
  MemorySource source(dump);
  LineReader reader(source, block_size);
  StringSink sink(result.facts);
  FactWriter writer(sink, out_capacity);
  result.status = scan_dump(reader, writer).status;
  writer.finish();
  return result;
}

}  // namespace pgdump2pl::testing
