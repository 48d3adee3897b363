#include "values/value_terms.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pgdump2pl {
namespace {

struct ValueCase {
  std::string_view type;
  std::vector<std::int64_t> modifiers;
  std::string_view text;
  std::optional<std::string_view> term;  // nothing: the value stays text
  bool numeric_literal = false;
};

constexpr std::nullopt_t kText = std::nullopt;

// Every expectation is what PostgreSQL 15 stores for the input.
const ValueCase kValueCases[] = {
    // The integer widths, with their edges and every spelling.
    {"smallint", {}, "  +007 ", "7"},
    {"int2", {}, "-32768", "-32768"},
    {"smallserial", {}, "32768", kText},
    {"serial2", {}, "-0", "0"},
    {"integer", {}, "2147483647", "2147483647"},
    {"int", {}, "-2147483649", kText},
    {"int4", {}, "\t12\n", "12"},
    {"serial", {}, "1 2", kText},
    {"serial4", {}, "+", kText},
    {"bigint", {}, "-9223372036854775808", "-9223372036854775808"},
    {"int8", {}, "9223372036854775808", kText},
    {"bigserial", {}, "99999999999999999999", kText},
    {"serial8", {}, "0x10", kText},
    {"int8", {}, "1.0", kText},
    {"int4", {}, "", kText},
    // oid reads as strtoul() does and takes negatives that wrap.
    {"oid", {}, " 4294967295 ", "4294967295"},
    {"oid", {}, "4294967296", kText},
    {"oid", {}, "-1", "4294967295"},
    {"oid", {}, "-2147483648", "2147483648"},
    {"oid", {}, "-2147483649", kText},
    {"oid", {}, "-18446744073709551615", "1"},
    {"oid", {}, "  ", kText},
    // SQL number constants are cast: rounded half away from zero.
    {"int2", {}, "2.5", "3", true},
    {"int4", {}, "-2.5", "-3", true},
    {"int8", {}, "1e3", "1000", true},
    {"int2", {}, "32767.4", "32767", true},
    {"int2", {}, "32767.5", kText, true},
    {"int8", {}, "9223372036854775807.5", kText, true},
    {"int8", {}, "18446744073709551615.5", kText, true},
    {"oid", {}, "-2147483648", "2147483648", true},
    {"oid", {}, "-2147483649", kText, true},
    {"oid", {}, "2.5", kText, true},
    // Floats: the shortest text of the double, or of the float for real.
    {"double precision", {}, "5", "5.0"},
    {"float8", {}, " 1e+300 ", "1.0e+300"},
    {"float", {}, "-0", "-0.0"},
    {"float8", {}, "1e-320", "1.0e-320"},
    {"float8", {}, "1e-400", kText},
    {"float8", {}, "1e309", kText},
    {"float8", {}, "0e-999", "0.0"},
    {"float8", {}, "0x1.8p1", "3.0"},
    {"float8", {}, "0XA.fP0", "10.9375"},
    {"float8", {}, "0x", kText},
    {"float8", {}, "1e", kText},
    {"float8", {}, ".5", "0.5"},
    {"float8", {}, "1.5.", kText},
    {"float8", {}, "-nan", "1.5NaN"},
    {"float8", {}, "nan(Az_9)", "1.5NaN"},
    {"float8", {}, "  -Infinity ", "-1.0Inf"},
    {"float8", {}, "+INF", "1.0Inf"},
    {"float8", {}, "infinit", kText},
    {"float", {53}, "0.1", "0.1"},
    {"real", {}, "3.14159265358979", "3.1415927"},
    {"float4", {}, "1e-45", "1.0e-45"},
    {"float4", {}, "1e-46", kText},
    {"float4", {}, "3.5e38", kText},
    {"float", {24}, "0.1", "0.1"},
    {"float", {25}, "3.14159265358979", "3.14159265358979"},
    {"float", {54}, "1", kText},
    {"float", {0}, "1", kText},
    // numeric: PostgreSQL's display scale, without exponent.
    {"numeric", {}, " -00012.3400 ", "-12.3400"},
    {"numeric", {}, "1e3", "1000"},
    {"numeric", {}, "1.50e1", "15.0"},
    {"numeric", {}, "1e 3", "1000"},
    {"numeric", {}, "5.", "5"},
    {"numeric", {}, "-.5", "-0.5"},
    {"numeric", {}, ".5e1", "5"},
    {"numeric", {}, "-0.00", "0.00"},
    {"numeric", {}, "1e-6", "0.000001"},
    {"numeric", {}, "123456789012345678901234567890", "123456789012345678901234567890"},
    {"numeric", {}, "1e+", kText},
    {"numeric", {}, "1.2.3", kText},
    {"numeric", {}, ".", kText},
    {"numeric", {}, "NaN ", "1.5NaN"},
    {"numeric", {}, "-NaN", kText},
    {"numeric", {}, "-inf", "-1.0Inf"},
    {"numeric", {}, "1e1073741823", kText},
    {"numeric", {}, "1e-400", kText},  // a float of 0
    {"numeric", {}, "0e-3", "0.000"},
    {"numeric", {}, "1e2000", kText},  // longer than the bound
    {"decimal", {10, 2}, "12.5", "12.50"},
    {"dec", {5, 2}, "999.995", kText},
    {"numeric", {5, 2}, "-999.994", "-999.99"},
    {"numeric", {5, 2}, "1000.00", kText},
    {"numeric", {5, 2}, "0.005", "0.01"},
    {"numeric", {5, 2}, "-0.004", "0.00"},
    {"numeric", {5, 2}, "Infinity", kText},
    {"numeric", {5, 2}, "nan", "1.5NaN"},
    {"numeric", {3}, "999.5", kText},
    {"numeric", {3}, "-998.5", "-999"},
    {"numeric", {3}, "0.4", "0"},
    {"numeric", {2, 3}, "0.0095", "0.010"},
    {"numeric", {2, 3}, "0.0995", kText},
    {"numeric", {5, -2}, "12350", "12400"},
    {"numeric", {5, -2}, "9999949", "9999900"},
    {"numeric", {5, -2}, "9999950", kText},
    {"numeric", {0}, "1", kText},
    {"numeric", {1000, -1000}, "1", "0"},
    {"numeric", {1001}, "1", kText},
    {"numeric", {1000, -1001}, "1", kText},
    {"numeric", {1, 1001}, "0", kText},
    {"numeric", {5, 2, 1}, "1", kText},
    // Booleans: the words and their unique prefixes, in any case.
    {"boolean", {}, " TRUE ", "true"},
    {"bool", {}, "T", "true"},
    {"bool", {}, "tr", "true"},
    {"bool", {}, "ye", "true"},
    {"bool", {}, "on", "true"},
    {"bool", {}, "1", "true"},
    {"bool", {}, "F", "false"},
    {"bool", {}, "n", "false"},
    {"bool", {}, "of", "false"},
    {"bool", {}, "0", "false"},
    {"bool", {}, "o", kText},
    {"bool", {}, "truex", kText},
    {"bool", {}, "01", kText},
    {"bool", {}, "", kText},
    // Every other type, and arrays, are text.
    {"text", {}, "1", kText},
    {"character varying", {10}, "1", kText},
};

TEST(ValueTerms, WritesWhatTheColumnTypeKeeps) {
  for (const ValueCase& c : kValueCases) {
    const ColumnType type = column_type(c.type, c.modifiers, false);
    std::string out(value_term_bound(c.text.size()), '\0');
    const char* end = write_value_term(type, c.text, out.data(), c.numeric_literal);
    std::optional<std::string_view> term;
    if (end != nullptr) term = std::string_view(out.data(), static_cast<std::size_t>(end - out.data()));
    EXPECT_EQ(term, c.term) << c.type << " '" << c.text << "'";
    // The shortcut for what pg_dump prints agrees wherever it answers.
    if (const char* printed = write_printed_value(type, c.text, out.data())) {
      EXPECT_EQ(std::string_view(out.data(), static_cast<std::size_t>(printed - out.data())), c.term)
          << c.type << " '" << c.text << "' printed";
    }
  }
}

TEST(ValueTerms, ArraysAreText) {
  const std::int64_t modifiers[] = {10, 2};
  EXPECT_EQ(column_type("integer", {}, true).kind, ColumnKind::text);
  EXPECT_EQ(column_type("numeric", modifiers, true).kind, ColumnKind::text);
}

}  // namespace
}  // namespace pgdump2pl
