#include "dump/table_name.h"

#include <gtest/gtest.h>

#include <string>

namespace pgdump2pl {
namespace {

using namespace std::string_literals;

struct NameCase {
  std::string input;
  std::string name;
};

TEST(NameFromQuotedWord, DropsTheLastByteAfterAnySchema) {
  const NameCase cases[] = {
      {"sample\"", "sample"},
      {"sample\";", "sample\""},
      {"s\"(x)", "s\"(x"},
      {"\"", ""},
      {"", ""},
      {"public\".\"sites\"", "sites"},
      {"a\".\"b\".\"c\"", "c"},
      {"public\".\"", ""},
      {"a_very_long_table_name_indeed\"", "a_very_long_table_name_indeed"},
      {"ab\0cd\""s, "a"},  // the word is C text: it ends at the zero byte
  };
  for (const NameCase& c : cases) EXPECT_EQ(name_from_quoted_word(c.input), c.name) << c.input;
}

TEST(NameFromIdentifier, ReadsSchemaQualifiedAndQuotedNames) {
  const NameCase cases[] = {
      {"public.sites (url, id) FROM stdin;", "sites"},
      {"sites FROM stdin;", "sites"},
      {"sites(url) FROM stdin;", "sites"},
      {"public.\"Site\" (url) FROM stdin;", "Site"},
      {"\"public\".sites FROM stdin;", "sites"},
      {"public.\"a.b (c\" (x) FROM stdin;", "a.b (c"},
      {"public.\"a\"\"b\" (x)", "a\"b"},
      {"\"\"", ""},
      {"\"\"\"\"", "\""},
      {"a.b.c", "c"},
      {"public.", ""},
      {"\\.", ""},
      {"sites\r", "sites"},
      {"\"open\rx", "open"},  // a quoted part never runs past the line
      {"\"tab\tin\" x", "tab\tin"},
      {"", ""},
  };
  for (const NameCase& c : cases) EXPECT_EQ(name_from_identifier(c.input), c.name) << c.input;
}

}  // namespace
}  // namespace pgdump2pl
