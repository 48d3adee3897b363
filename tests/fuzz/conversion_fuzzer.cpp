// libFuzzer target. Any bytes are a dump, which must convert alike read
// a byte at a time or a block at a time, in both modes; compressed or an
// archive, they must give the same script either way. They are also
// rows, one a line, of the table their first byte picks, whose facts must
// be sscanf's.
#include <cstdlib>
#include <memory>

#include "archive/custom_archive.h"
#include "archive/tar_archive.h"
#include "sources/dump_stream.h"
#include "support/scanf_oracle.h"

using namespace pgdump2pl;
using namespace pgdump2pl::testing;

namespace {

// The script the front end would convert, and why its reading stopped.
std::string script_of(std::string_view input, std::size_t read_size) {
  DumpStream stream = open_dump_stream(std::make_unique<MemorySource>(input, 0, read_size));
  std::unique_ptr<ByteSource> archive;
  if (stream.format == DumpFormat::custom_archive) archive = std::make_unique<CustomArchiveSource>(*stream.source);
  if (stream.format == DumpFormat::tar_archive) archive = std::make_unique<TarArchiveSource>(*stream.source);
  ByteSource& script = archive != nullptr ? *archive : *stream.source;
  std::string text;
  char buffer[4096];
  ReadResult got;
  while ((got = script.read(buffer, sizeof buffer)).size > 0) text.append(buffer, got.size);
  return text + '\0' + (got.failed ? script.failure().reason : std::string());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (convert_in_memory(input, 1).facts != convert_in_memory(input).facts) std::abort();
  if (convert_in_memory(input, 1, 0, 0, 0, true).facts != convert_in_memory(input, 1 << 20, 0, 0, 0, true).facts) {
    std::abort();
  }
  if (script_of(input, 1) != script_of(input, SIZE_MAX)) std::abort();
  if (size == 0) return 0;
  const std::string_view tables[] = {"sites", "inlinks",   "pages",   "files",   "depths", "proxies",
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
