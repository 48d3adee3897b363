// Rows of awkward fields in tables of every rule: each fact must be what
// the C library's sscanf reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "support/scanf_oracle.h"

namespace pgdump2pl::testing {
namespace {

using namespace std::string_literals;

TEST(FieldReading, AgreesWithSscanfOnSeededRandomRows) {
  const std::vector<std::string> pieces = {"0",
                                           "7",
                                           "-3",
                                           "+4",
                                           "010",
                                           "08",
                                           "0x1A",
                                           "0XfF",
                                           "0x",
                                           "0xg",
                                           "-0X",
                                           "12abc",
                                           "1.5",
                                           "-",
                                           "+",
                                           "00012",
                                           "12345678",
                                           "1234567890123456",
                                           "12345678901234567",
                                           "9223372036854775807",
                                           "9223372036854775808",
                                           "-9223372036854775809",
                                           "-0x8000000000000000",
                                           "0x7fffffffffffffff",
                                           "0777777777777777777777",
                                           "99999999999999999999",
                                           "\\N",
                                           "alpha",
                                           "l'eau",
                                           "a\\tb",
                                           "end\\",
                                           "\\\\",
                                           "\\'",
                                           "\x01\x7f",
                                           "\xc3\xa9t\xc3\xa9",
                                           std::string(300, 'w'),
                                           "x\0y"s,
                                           "\t",
                                           "\t",
                                           "\t",
                                           " ",
                                           "\r",
                                           "\v",
                                           "\f"};
  const std::string_view tables[] = {"sites", "inlinks",   "pages",   "files",   "depths", "proxies",
                                     "hits",  "mimetypes", "timings", "anchors", "xlinks"};
  std::mt19937_64 random(20261206);
  OracleSlots slots;
  std::string dump, facts;
  for (int block = 0; block < 3000; ++block) {
    std::vector<std::string> rows(random() % 8);
    for (auto& row : rows) {
      for (auto n = random() % 9; n > 0; --n) row += pieces[random() % pieces.size()];
    }
    add_block(tables[random() % std::size(tables)], rows, slots, dump, facts);
  }
  const std::string got = convert_in_memory(dump).facts;
  const auto at =
      static_cast<std::size_t>(std::mismatch(got.begin(), got.end(), facts.begin(), facts.end()).first - got.begin());
  const std::size_t line = got.rfind('\n', at) + 1;  // npos + 1 is 0
  ASSERT_EQ(got.substr(line, 400), facts.substr(line, 400));
  EXPECT_EQ(got.size(), facts.size());
}

}  // namespace
}  // namespace pgdump2pl::testing
