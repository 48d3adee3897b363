// --all-tables: every block by its table's own columns and their types.
#include <gtest/gtest.h>

#include <string>

#include "support/in_memory.h"

namespace pgdump2pl::testing {
namespace {

void expect_all_tables(const std::string& what, const std::string& dump, const std::string& facts,
                       const std::string& warnings) {
  for (const std::size_t size : {1u, 2u, 3u, 7u, 64u, 1u << 20}) {
    const Converted got = convert_in_memory(dump, size, 0, 0, 0, true);
    EXPECT_EQ(got.facts, facts) << what << " (size " << size << ")";
    EXPECT_EQ(got.warnings, warnings) << what << " (size " << size << ")";
  }
}

// A column's type by a letter.
std::string type_of(char letter) {
  const std::string_view letters = "isgofrnpbtav";
  const char* const types[] = {"integer", "smallint", "bigint", "oid", "double precision", "real", "numeric",
                               "numeric(10,2)", "boolean", "text", "integer[]", "character varying(20)"};
  return types[letters.find(letter)];
}

TEST(AllTables, WritesEachFieldAsTheTermOfItsType) {
  const std::string huge = "2" + std::string(308, '0');
  const struct {
    std::string_view types;
    std::string row, arguments;
    std::string_view problem;  // the first field that does not fit, or the field count
  } cases[] = {
      {"igs", "-9223372036854775808\t123456789012345678901234567890\t7",
       "-9223372036854775808,123456789012345678901234567890,7", ""},
      {"iso", "1.5\t-\t", "'1.5','-',''", "field 1 is not an integer"},
      {"frrf", "1e+300\t-0\t5\t1e-320", "1.0e+300,-0.0,5.0,1.0e-320", ""},
      {"frrnpn", "NaN\tInfinity\t-Infinity\tNaN\tInfinity\t-Infinity", "1.5NaN,1.0Inf,-1.0Inf,1.5NaN,1.0Inf,-1.0Inf", ""},
      {"ff", "1.7976931348623157e+308\t4.9406564584124654e-324", "1.7976931348623157e+308,4.9406564584124654e-324", ""},
      {"ffrr", "5.\t1e\t1e+-5\t.5", "'5.','1e','1e+-5','.5'", "field 1 is not a float"},
      {"npnn", "12.50\t-123456789012345678901234567890\t1.5e10\t1e5", "12.50,-123456789012345678901234567890,1.5e10,1.0e5", ""},
      {"nnn", "1e308\t" + huge + ".5\t2e308", "1.0e308,'" + huge + ".5','2e308'", "field 2 is not a number"},
      {"bbb", "t\tf\tx", "true,false,'x'", "field 3 is not a boolean"},
      {"ifnbta", "\\N\t\\N\t\\N\t\\N\t\\N\t\\N", "'$null$','$null$','$null$','$null$','$null$','$null$'", ""},
      {"tv", "\\Nx\t\\\\N", "'Nx','\\\\N'", ""},
      {"t", "\\b\\f\\n\\r\\t\\v", "'\\b\\f\\n\\r\\t\\v'", ""},
      {"t", "\\1\\12\\101\\777\\0", "'\\001\\\\nA\xff\\000\\'", ""},
      {"t", "\\x4f\\x0a\\x20\\xAg\\xG\\x7F\\x", "'O\\n \\ngxG\\177\\x'", ""},
      {"ta", "\\q\\'\\\"\\a\tit's a\\\\b{1,2}", "'q\\'\"a','it\\'s a\\\\b{1,2}'", ""},
      {"t", "\x01\x07\x1f\x7f caf\xc3\xa9 abcdefghijklmnop'q", "'\\001\\\\a\\037\\\\177\\ caf\xc3\xa9 abcdefghijklmnop\\'q'", ""},
      {"tt", "a\\\tb", "'a\\\\','b'", ""},
      {"ti", "a\t1\r", "'a',1", ""},
      {"iib", "1\tx\ty", "1,'x','y'", "field 2 is not an integer"},
      {"ii", "1", "", "1 fields for its 2 columns"},
      {"ii", "", "", "1 fields for its 2 columns"},
      {"ii", "1\t2\t3\t", "", "4 fields for its 2 columns"},
  };
  for (const auto& c : cases) {
    std::string dump = "CREATE TABLE public.t (\n", columns;
    for (std::size_t i = 0; i < c.types.size(); ++i) {
      const std::string name = std::string(1, 'c') += std::to_string(i);
      dump += "    " + name + " " + type_of(c.types[i]) + (i + 1 < c.types.size() ? ",\n" : "\n");
      if (i > 0) columns += ", ";
      columns += name;
    }
    dump += ");\nCOPY public.t (" + columns + ") FROM stdin;\n" + c.row + "\n\\.\n";
    const std::string warning = "pgdump2pl: dump.sql:" + std::to_string(c.types.size() + 4) +
                                ": warning: table t: 1 of 1 rows do not fit its layout (first: " + std::string(c.problem) + ")\n";
    expect_all_tables(c.row, dump, banner("t") + (c.arguments.empty() ? "" : "t(" + c.arguments + ").\n") + count(1),
                      c.problem.empty() ? "" : warning);
  }
}

TEST(AllTables, TakesTheColumnsFromTheHeaderOrTheDefinitions) {
  const std::string dump =
      "CREATE DOMAIN public.year AS integer\n"
      "\tCONSTRAINT year_check CHECK (((VALUE >= 1901) AND (VALUE <= 2155)));\n"
      "CREATE DOMAIN other.\"Money\" AS numeric(10,2) NOT NULL;\n"
      "CREATE TABLE public.films (\n"
      "    film_id integer DEFAULT nextval('public.film_film_id_seq'::regclass) NOT NULL,\n"
      "    \"Weird \"\"Col\"\"\" boolean COLLATE pg_catalog.\"C\",\n"
      "    note text DEFAULT 'two\n"
      "    lines, one ''literal'''::text,\n"
      "    released public.year,\n"
      "    price other.\"Money\",\n"
      "    CONSTRAINT films_len CHECK ((length > 0)),\n"
      "    CHECK ((x > 0))\n"
      ");\n"
      "CREATE TABLE public.parent ( \n    p text,\n    a double precision\n);\n"
      "CREATE TABLE other.parent2 (\n    b smallint\n);\n"
      "CREATE TABLE public.child (\n    extra integer\n)\nINHERITS (public.parent, other.parent2);\n"
      "CREATE TABLE \"Odd\".\"Films\" (\n    \"x.y\" boolean\n);\n"
      "CREATE TABLE public.parent (\n    z real\n);\n"
      "COPY public.films (film_id, \"Weird \"\"Col\"\"\", note, released, price) FROM stdin;\n1\tt\tx\t1975\t9.99\n\\.\n"
      "COPY \"public\".\"films\" (price, \"unknown\") FROM stdin;\n9\t9\n\\.\n"
      "COPY public.films FROM stdin;\n2\tf\ty\t1976\t\\N\n\\.\n"
      "COPY public.child FROM stdin;\np\t1\t2\t3\n\\.\n"
      "COPY \"Odd\".\"Films\" FROM stdin;\nt\n\\.\n"
      "COPY parent (z) FROM stdin;\n1\n\\.\n"
      "COPY public.nowhere (a, b) FROM stdin;\n1\t\\N\n\\.\n"
      "COPY nolist FROM stdin;\na\tb\tc\nd\te\n\\.\nCOPY \"\" FROM stdin;\nx\n\\.\nCREATE DOMAIN\nCREATE UNLOGGED\n";
  expect_all_tables("definitions", dump,
                    banner("films") + "films(1,true,'x',1975,9.99).\n" + count(1) + banner("films") + "films(9,'9').\n" +
                        count(1) + banner("films") + "films(2,false,'y',1976,'$null$').\n" + count(1) + banner("child") + "child('p',1.0,2,3).\n" + count(1) + banner("Films") +
                        "'Films'(true).\n" + count(1) + banner("parent") + "parent(1.0).\n" + count(1) +
                        banner("nowhere") + "nowhere('1','$null$').\n" + count(1) + banner("nolist") +
                        "nolist('a','b','c').\n" + count(2) + banner("") + "''('x').\n" + count(1),
                    "pgdump2pl: dump.sql:54: warning: table nolist: 1 of 2 rows do not fit its layout (first: 2 fields "
                    "for its 3 columns)\n");
}

}  // namespace
}  // namespace pgdump2pl::testing
