// The row path without files: a few row shapes, and a whole block through
// the scanner, which is what a dump's time is made of.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "conversion.h"
#include "facts/fact_writer.h"
#include "io/byte_sink.h"
#include "io/line_reader.h"
#include "io/memory_source.h"
#include "layouts/row_conversion.h"

namespace pgdump2pl {
namespace {

class DiscardSink final : public ByteSink {
 public:
  int write(const char*, std::size_t) override { return 0; }
};

class IgnoreMisfits final : public ConversionListener {
 public:
  void block_had_misfits(const BlockMisfits&) override {}
  void warning(std::uint64_t, std::string_view) override {}
};

void BM_Row(benchmark::State& state, std::string_view table, std::string row) {
  const std::size_t size = row.size();
  row.append(kReadSlack + 1, '\0');  // the slack a row read from a dump has after it
  DiscardSink sink;
  FactWriter out(sink);
  RowConversion conversion(nullptr);
  conversion.start_table(table, table);  // plain names: the name is the functor
  for (auto _ : state) conversion.convert({row.data(), size}, out);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}
BENCHMARK_CAPTURE(BM_Row, inlinks, "inlinks",
                  "812\thttps://www.example.org/news/2024/03/index.html\thttps://blog.example.net/feed.xml\t17");
BENCHMARK_CAPTURE(BM_Row, anchors, "anchors", "86449\t33593\t7486\t2");
BENCHMARK_CAPTURE(BM_Row, escapes, "files", "l'eau\\\\N.pdf\thttps://caf\u00e9.fr/a\\tb.pdf\t\\N");

void BM_Block(benchmark::State& state, bool all_tables) {
  std::string dump =
      "CREATE TABLE public.pages (\n    id integer,\n    url text,\n    status integer,\n    size bigint\n);\n"
      "COPY public.pages (id, url, status, size) FROM stdin;\n";
  for (int i = 0; i < 100000; ++i) {
    dump += std::to_string(i) + "\thttps://www.example.org/p/" + std::to_string(i * 7919) + ".html\t200\t" +
            std::to_string(1000 + i * 13) + "\n";
  }
  dump += "\\.\n";
  DiscardSink sink;
  IgnoreMisfits misfits;
  for (auto _ : state) {
    MemorySource source(dump);
    ConversionOptions options;
    options.all_tables = all_tables;
    benchmark::DoNotOptimize(convert(source, sink, options, misfits));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(dump.size()));
}
BENCHMARK_CAPTURE(BM_Block, layouts, false);
BENCHMARK_CAPTURE(BM_Block, all_tables, true);

}  // namespace
}  // namespace pgdump2pl
