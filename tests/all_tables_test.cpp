// Rows written as facts of typed terms, for --all-tables.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "facts/byte_sink.h"
#include "facts/typed_row_conversion.h"

namespace pgdump2pl {
namespace {

using enum RowStatus;

ColumnKind kind_of(char letter) { return static_cast<ColumnKind>(std::string_view("ifnbt").find(letter)); }

struct RowCase {
  std::string_view kinds;  // a letter per column: i f n b t
  std::string row, fact;
  RowResult result;
};

TEST(TypedRowConversion, WritesEachKindOrSaysWhyNot) {
  const std::string huge = "2" + std::string(308, '0');
  const RowCase cases[] = {
      {"ii", "-9223372036854775808\t123456789012345678901234567890", "t(-9223372036854775808,123456789012345678901234567890).\n", {}},
      {"iii", "1.5\t-\t", "t('1.5','-','').\n", {not_its_kind, 1}},
      {"ffff", "1e+300\t-0\t5\t1e-320", "t(1.0e+300,-0.0,5.0,1.0e-320).\n", {}},
      {"fffnnn", "NaN\tInfinity\t-Infinity\tNaN\tInfinity\t-Infinity", "t(1.5NaN,1.0Inf,-1.0Inf,1.5NaN,1.0Inf,-1.0Inf).\n", {}},
      {"ff", "1.7976931348623157e+308\t0.1", "t(1.7976931348623157e+308,0.1).\n", {}},
      {"ffff", "5.\t1e\t1e+-5\t.5", "t('5.','1e','1e+-5','.5').\n", {not_its_kind, 1}},
      {"nnnn", "12.50\t-123456789012345678901234567890\t1.5e10\t1e5", "t(12.50,-123456789012345678901234567890,1.5e10,1.0e5).\n", {}},
      {"nnn", "1e308\t" + huge + ".5\t2e308", "t(1.0e308,'" + huge + ".5','2e308').\n", {not_its_kind, 2}},
      {"bbb", "t\tf\tx", "t(true,false,'x').\n", {not_its_kind, 3}},
      {"ifnbt", "\\N\t\\N\t\\N\t\\N\t\\N", "t('$null$','$null$','$null$','$null$','$null$').\n", {}},
      {"tt", "\\Nx\t\\\\N", "t('Nx','\\\\N').\n", {}},
      {"t", "\\b\\f\\n\\r\\t\\v", "t('\\b\\f\\n\\r\\t\\v').\n", {}},
      {"t", "\\1\\12\\101\\777\\0", "t('\\001\\\\nA\xff\\000\\').\n", {}},
      {"t", "\\x4f\\x0a\\x20\\x4g\\xG\\x7F\\x", "t('O\\n \\004\\gxG\\177\\x').\n", {}},
      {"tt", "\\q\\'\\\"\\a\tit's a\\\\b", "t('q\\'\"a','it\\'s a\\\\b').\n", {}},
      {"t", "\x01\x07\x1f\x7f caf\xc3\xa9", "t('\\001\\\\a\\037\\\\177\\ caf\xc3\xa9').\n", {}},
      {"t", "abcdefghijklmnop'q", "t('abcdefghijklmnop\\'q').\n", {}},
      {"tt", "a\\\tb", "t('a\\\\','b').\n", {}},
      {"ti", "a\t1\r", "t('a',1).\n", {}},
      {"iib", "1\tx\ty", "t(1,'x','y').\n", {not_its_kind, 2}},
      {"ii", "1", "", {wrong_field_count, 0, 1}},
      {"ii", "", "", {wrong_field_count, 0, 1}},
      {"ii", "1\t2\t3\t", "", {wrong_field_count, 0, 4}},
      {"", "", "t.\n", {}},
      {"", "a\tb", "", {wrong_field_count, 0, 2}},
  };
  for (const RowCase& c : cases) {
    std::vector<ColumnKind> kinds;
    for (const char letter : c.kinds) kinds.push_back(kind_of(letter));
    std::string facts;
    StringSink sink(facts);
    FactWriter writer(sink, 16);
    // Bytes past the row that would change the fact if taken as part of it.
    const std::string padded = c.row + "x\t\\N\t'\\";
    const RowResult result = TypedRowConversion("t", kinds).convert({padded.data(), c.row.size()}, writer);
    writer.finish();
    EXPECT_EQ(facts, c.fact) << c.row;
    EXPECT_EQ(std::tie(result.status, result.column, result.fields),
              std::tie(c.result.status, c.result.column, c.result.fields))
        << c.row;
  }
}

TEST(KindOfType, KnowsTheNumericAndBooleanTypes) {
  const std::string_view types[] = {"smallint", "integer", "bigint", "oid", "real", "double precision", "numeric",
                                    "numeric(10,2)", "boolean", "integer[]", "numeric(10,2)[]", "character varying(255)",
                                    "public.mpaa_rating", "timestamp(3) without time zone"};
  const std::string_view kinds = "iiiiffnnbttttt";
  for (std::size_t i = 0; i < kinds.size(); ++i) EXPECT_EQ(kind_of_type(types[i]), kind_of(kinds[i])) << types[i];
}

}  // namespace
}  // namespace pgdump2pl
