// libFuzzer target. Any bytes are a line of a fact file: the plain-fact
// reader's parser must read it in bounds and, when it takes it, give
// values that make one tree, with texts inside its own.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "fact_line.h"

using pgdump2pl::FactLine;
using pgdump2pl::FactValue;

namespace {

// The index past the tree of values at `at`; aborts when it runs past the
// values or a value's count does not fit its kind.
std::size_t tree_end(const FactLine& parser, std::size_t at, unsigned& checksum) {
  const std::vector<FactValue>& values = parser.values();
  if (at >= values.size()) std::abort();
  const FactValue& value = values[at];
  std::size_t next = at + 1;
  for (const char c : parser.text(value)) checksum += static_cast<unsigned char>(c);
  const bool has_values = value.kind == FactValue::Kind::compound || value.kind == FactValue::Kind::list;
  if (has_values != (value.count > 0)) std::abort();
  for (std::uint32_t i = 0; i < value.count; ++i) next = tree_end(parser, next, checksum);
  return next;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  // A copy of its own size, so that reading past the line is caught.
  const auto line = std::make_unique<char[]>(size);
  std::copy(data, data + size, line.get());
  static FactLine parser;
  if (!parser.parse(line.get(), line.get() + size)) return 0;
  const bool ends =
      (size >= 1 && line[size - 1] == '.') || (size >= 2 && line[size - 2] == '.' && line[size - 1] == '\n');
  if (!ends || parser.values().front().kind != FactValue::Kind::compound) std::abort();
  unsigned checksum = 0;  // each text read, for the sanitizer to see
  if (tree_end(parser, 0, checksum) != parser.values().size()) std::abort();
  return 0;
}
