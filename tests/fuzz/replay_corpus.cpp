// Replays every file of the fuzzer's corpus through the same invariants,
// so that every build, with or without libFuzzer, keeps them.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/conversion_invariants.h"

namespace {

namespace fs = std::filesystem;
using pgdump2pl::fuzzing::fact_file_problem;

// The checker must see the faults it exists for, or the fuzzer finds
// nothing whatever the converter does.
int checker_misses() {
  const std::string head = "/**\n * Table sites\n */\n\n";
  const std::string tail = "/* (1 entrees) */\n\n\n";
  const struct {
    bool good;
    std::string facts;
  } cases[] = {
      {true, head + "sites('l\\'eau\\\\N\\n',-9223372036854775808).\n" + tail},
      {true, "/**\n * Table Sites*/\n */\n\n/* (3 entrees) */\n\n\n/**\n * Table \n */\n\n"},
      {true, "/**\n * Table s-x\n */\n\n's-x'('a',0).\n" + tail},
      {false, head + "sites('l'eau',1).\n" + tail},
      {false, head + "sites('a\\q',1).\n" + tail},
      {false, head + "sites('a',9223372036854775808).\n" + tail},
      {false, head + "sites('a',01).\n" + tail},
      {false, head + "sites('a',1)\n" + tail},
      {false, head + "sites('a',1.\n" + tail},
      {false, head + "sites(1,'a').\n" + tail},
      {false, head + "sites('a').\n" + tail},
      {false, head + "site('a',1).\n" + tail},
      {false, "/**\n * Table s-x\n */\n\ns-x('a',0).\n" + tail},
      {false, head + "sites('a',1).\nsites('b',2).\n" + tail},
      {false, "/**\n * Table Sites\n */\n\nSites('a',1).\n" + tail},
      {false, head + "sites('a',1).\n"},
      {false, head + tail + "\n"},
      {false, head + "/* (1 entrees) */\n\n"},
      {false, "/**\n * Table sites\n\n" + tail},
  };
  int misses = 0;
  for (const auto& c : cases) {
    if (fact_file_problem(c.facts).empty() != c.good) {
      std::fprintf(stderr, "the checker %s:\n%s\n", c.good ? "rejects good facts" : "accepts bad facts",
                   c.facts.c_str());
      ++misses;
    }
  }
  return misses;
}

}  // namespace

int main(int argc, char** argv) {
  if (checker_misses() != 0) return 1;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    if (fs::is_directory(argv[i])) {
      for (const auto& entry : fs::directory_iterator(argv[i])) inputs.push_back(entry.path());
    } else {
      inputs.emplace_back(argv[i]);
    }
  }
  std::sort(inputs.begin(), inputs.end());
  if (inputs.empty()) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR_OR_FILE...: no input found\n", argv[0]);
    return 1;
  }
  int failed = 0;
  for (const fs::path& input : inputs) {
    std::ifstream in(input, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    // Named first: a sanitizer report stops the process without a word
    // of which input caused it.
    std::printf("%s\n", input.filename().c_str());
    std::fflush(stdout);
    if (const std::string problem = pgdump2pl::fuzzing::conversion_problem(bytes.str()); !problem.empty()) {
      std::printf("  FAILED: %s\n", problem.c_str());
      ++failed;
    }
  }
  std::printf("replay: %zu passed, %d failed\n", inputs.size() - static_cast<std::size_t>(failed), failed);
  return failed == 0 ? 0 : 1;
}
