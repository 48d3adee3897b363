// libFuzzer entry point: any bytes are a dump, and converting them must
// keep every invariant of conversion_invariants.h.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/conversion_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem = pgdump2pl::fuzzing::conversion_problem({reinterpret_cast<const char*>(data), size});
  if (!problem.empty()) {
    std::fprintf(stderr, "conversion invariant broken: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
