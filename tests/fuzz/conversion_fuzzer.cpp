// libFuzzer target. Any bytes are a dump, which must convert alike read
// a byte at a time or a block at a time, in both modes. They are also
// rows, one a line, of the table their first byte picks, whose facts must
// be sscanf's.
#include <cstdlib>

#include "support/scanf_oracle.h"

using namespace pgdump2pl::testing;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (convert_in_memory(input, 1).facts != convert_in_memory(input).facts) std::abort();
  if (convert_in_memory(input, 1, 0, 0, 0, true).facts != convert_in_memory(input, 1 << 20, 0, 0, 0, true).facts) {
    std::abort();
  }
  if (size == 0) return 0;
  const std::string_view tables[] = {"sites", "inlinks", "pages",   "files",   "depths",  "proxies",
                                     "hits",  "mimetypes", "timings", "anchors", "Sites"};
  std::vector<std::string> rows;
  for (std::size_t at = 1, end; at <= size; at = end + 1) {
    end = std::min(input.find('\n', at), size);
    if (!input.substr(at, 2).starts_with("\\.")) rows.emplace_back(input.substr(at, end - at));
  }
  OracleSlots slots;
  std::string dump, facts;
  add_block(tables[data[0] % std::size(tables)], rows, slots, dump, facts);
  if (convert_in_memory(dump).facts != facts) std::abort();
  return 0;
}
