#include "facts/field_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "facts/byte_sink.h"
#include "facts/conversion_rules.h"
#include "facts/row_conversion.h"

namespace pgdump2pl {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

// A row as the reader hands it out: zero-terminated, with slack after it.
std::string padded(std::string_view row) { return std::string(row) + std::string(kReadSlack + 1, '\0'); }

TEST(ReadInteger, FollowsPrefixRulesAndSaturates) {
  struct IntegerCase {
    struct {
      std::string_view row;
      bool ok;
      std::string_view rest;  // what the next field starts at
    } field;
    std::int64_t value;
  };
  const IntegerCase cases[] = {
      {{"7", true, ""}, 7},
      {{"010", true, ""}, 8},
      {{"0x1A", true, ""}, 26},
      {{"0X1a", true, ""}, 26},
      {{"08", true, "8"}, 0},
      {{"+4", true, ""}, 4},
      {{"-3\t", true, "\t"}, -3},
      {{"-0x10", true, ""}, -16},
      {{"12abc", true, "abc"}, 12},
      {{"1.5", true, ".5"}, 1},
      {{"0", true, ""}, 0},
      {{"-0", true, ""}, 0},
      {{" \r\v\f 42", true, ""}, 42},
      {{"\n42", false, ""}, 0},
      {{"0xfg", true, "g"}, 15},
      {{"9223372036854775807", true, ""}, kMax},
      {{"9223372036854775808", true, ""}, kMax},
      {{"99999999999999999999999", true, ""}, kMax},
      {{"-9223372036854775808", true, ""}, kMin},
      {{"-9223372036854775809", true, ""}, kMin},
      {{"0x7fffffffffffffff", true, ""}, kMax},
      {{"0x8000000000000000", true, ""}, kMax},
      {{"-0x8000000000000000", true, ""}, kMin},
      {{"-0xffffffffffffffffff", true, ""}, kMin},
      {{"0777777777777777777777", true, ""}, kMax},
      {{"01000000000000000000000", true, ""}, kMax},
      {{"2147483648", true, ""}, 2147483648},
      {{"12345678", true, ""}, 12345678},
      {{"-1234567890123456\t", true, "\t"}, -1234567890123456},
      {{"12345678901234567", true, ""}, 12345678901234567},
      {{"+12345678", true, ""}, 12345678},
      {{"00012", true, ""}, 10},
      {{"0x", false, ""}, 0},
      {{"0xg", false, ""}, 0},
      {{"-0X", false, ""}, 0},
      {{"-", false, ""}, 0},
      {{"+", false, ""}, 0},
      {{"+-1", false, ""}, 0},
      {{"abc", false, ""}, 0},
      {{"\\N", false, ""}, 0},
      {{"", false, ""}, 0},
  };
  for (const IntegerCase& c : cases) {
    IntegerSlot slot;
    slot.assign(99);
    const std::string row = padded(c.field.row);
    const IntegerScan scan = read_integer(row.c_str(), slot);
    EXPECT_EQ(scan.ok, c.field.ok) << c.field.row;
    // The slot holds the value as a fact writes it.
    EXPECT_EQ(slot.text(), std::to_string(c.field.ok ? c.value : 99)) << c.field.row;
    if (c.field.ok) {
      EXPECT_EQ(std::string_view(scan.next), c.field.rest) << c.field.row;
    }
  }
}

// The C library reads the same patterns by the same rules, with one known
// difference: it takes a bare "0x" as 0 where a field must fail. Rows that
// hold one are left out.
bool has_bare_hex_prefix(const std::string& row) {
  static const std::regex bare("0[xX]([^0-9a-fA-F]|$)");
  return std::regex_search(row, bare);
}

std::string scanf_pattern(const ConversionRule& rule) {
  std::string pattern;
  for (const Slot slot : rule.fields()) pattern += is_text(slot) ? "%1023s\t" : "%lli\t";
  pattern.back() = '\n';
  return pattern;
}

TEST(RowFields, AgreeWithScanfOnSeededRandomRows) {
  const std::vector<std::string> pieces = {
      "0", "7", "-3", "+4", "010", "08", "0x1A", "0XfF", "12abc", "1.5", "-", "+", "\\N",
      "alpha", "l'eau", "http://a.example/x?y=1", "\xc3\xa9t\xc3\xa9", "9223372036854775808",
      "-99999999999999999999", "0x", "\t", "\t", "\t", " ", "\r", "\v"};
  std::mt19937_64 random(20261206);
  std::string discard;
  StringSink sink(discard);
  FactWriter out(sink);
  int compared = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string row;
    for (auto n = random() % 8; n > 0; --n) row += pieces[random() % pieces.size()];
    if (has_bare_hex_prefix(row)) continue;
    if (random() % 2 == 0) row += random() % 2 == 0 ? "\n" : "\r\n";  // rows end as lines do
    for (const ConversionRule& rule : conversion_rules()) {
      RowConversion conversion;
      conversion.start_table(rule.key);
      // Give the slots earlier values, so that fields the row lacks show.
      conversion.convert(padded("earlier\tearlier2\t-1\t-2\t-3\t-4"), out);
      const RowSlots& before = conversion.slots();
      char txt1[1024], txt2[1024];
      std::snprintf(txt1, sizeof txt1, "%s", std::string(before.txt1.view()).c_str());
      std::snprintf(txt2, sizeof txt2, "%s", std::string(before.txt2.view()).c_str());
      long long ents[4] = {before.ent1.value(), before.ent2.value(), before.ent3.value(), before.ent4.value()};
      void* targets[4] = {};
      for (std::size_t f = 0; f < rule.field_count; ++f) {
        const Slot slot = rule.slots[f];
        targets[f] = slot == Slot::txt1   ? static_cast<void*>(txt1)
                     : slot == Slot::txt2 ? static_cast<void*>(txt2)
                                          : static_cast<void*>(&ents[static_cast<int>(slot) - 2]);
      }
      std::sscanf(row.c_str(), scanf_pattern(rule).c_str(), targets[0], targets[1], targets[2], targets[3]);
      const std::string padded_row = padded(row);
      conversion.convert({padded_row.data(), row.size()}, out);
      const RowSlots& after = conversion.slots();
      ASSERT_EQ(after.txt1.view(), txt1) << rule.key << " [" << row << "]";
      ASSERT_EQ(after.txt2.view(), txt2) << rule.key << " [" << row << "]";
      ASSERT_EQ(after.ent1.text(), std::to_string(ents[0])) << rule.key << " [" << row << "]";
      ASSERT_EQ(after.ent2.text(), std::to_string(ents[1])) << rule.key << " [" << row << "]";
      ASSERT_EQ(after.ent3.text(), std::to_string(ents[2])) << rule.key << " [" << row << "]";
      ASSERT_EQ(after.ent4.text(), std::to_string(ents[3])) << rule.key << " [" << row << "]";
      ++compared;
    }
  }
  EXPECT_GT(compared, 100000);
}

}  // namespace
}  // namespace pgdump2pl
