// Micro-benchmarks of the row path, without any file in between: one row
// of each common shape, and a whole generated-looking block.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "dump/byte_source.h"
#include "dump/dump_scanner.h"
#include "dump/line_reader.h"
#include "facts/byte_sink.h"
#include "facts/fact_writer.h"
#include "facts/row_conversion.h"

namespace pgdump2pl {
namespace {

class DiscardSink final : public ByteSink {
 public:
  int write(const char*, std::size_t) override { return 0; }
};

void convert_rows(benchmark::State& state, std::string_view table, std::string row) {
  row.append(kReadSlack + 1, '\0');
  const std::string_view padded_row(row.data(), row.find('\0'));
  DiscardSink sink;
  FactWriter out(sink);
  RowConversion conversion;
  conversion.start_table(table);
  for (auto _ : state) conversion.convert(padded_row, out);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(padded_row.size()));
}

void BM_RowInlinks(benchmark::State& state) {
  convert_rows(state, "inlinks",
               "812\thttps://www.example.org/news/2024/03/index.html\thttps://blog.example.net/feed.xml\t17\n");
}
void BM_RowSites(benchmark::State& state) { convert_rows(state, "sites", "https://www.example.org/\t4412\n"); }
void BM_RowAnchors(benchmark::State& state) { convert_rows(state, "anchors", "86449\t33593\t7486\t2\n"); }
void BM_RowEscapes(benchmark::State& state) {
  convert_rows(state, "files", "l'eau\\\\N.pdf\tC:\\\\temp\\\\new.html\t-0x1A\n");
}
BENCHMARK(BM_RowInlinks);
BENCHMARK(BM_RowSites);
BENCHMARK(BM_RowAnchors);
BENCHMARK(BM_RowEscapes);

// The scanner and the rows together on an in-memory block of 100,000 rows.
void BM_ScanBlock(benchmark::State& state) {
  std::string dump = "COPY public.pages (id, url, status, size) FROM stdin;\n";
  for (int i = 0; i < 100000; ++i) {
    dump += std::to_string(i) + "\thttps://www.example.org/p/" + std::to_string(i * 7919) + ".html\t200\t" +
            std::to_string(1000 + i * 13) + "\n";
  }
  dump += "\\.\n";
  DiscardSink sink;
  for (auto _ : state) {
    MemorySource source(dump);
    LineReader reader(source);
    FactWriter out(sink);
    benchmark::DoNotOptimize(scan_dump(reader, out));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(dump.size()));
}
BENCHMARK(BM_ScanBlock);

}  // namespace
}  // namespace pgdump2pl
