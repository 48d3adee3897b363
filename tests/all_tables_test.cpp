// The pieces of --all-tables: the columns a dump's DDL declares, and rows
// written as facts of typed terms.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "dump/table_schemas.h"
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
      {"t", "\\x4f\\x0a\\x20\\xAg\\xG\\x7F\\x", "t('O\\n \\ngxG\\177\\x').\n", {}},
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

constexpr std::string_view kDdl =
    "CREATE DOMAIN public.year AS integer\n"
    "\tCONSTRAINT year_check CHECK (((VALUE >= 1901) AND (VALUE <= 2155)));\n"
    "CREATE DOMAIN other.\"Money\" AS numeric(10,2) NOT NULL;\n"
    "CREATE DOMAIN other.year AS smallint;\n"
    "CREATE TABLE public.films (\r\n"
    "    film_id integer DEFAULT nextval('public.film_film_id_seq'::regclass) NOT NULL,\n"
    "    title character varying(255) NOT NULL,\n"
    "    checked boolean,\n"
    "    \"Weird \"\"Col\"\"\" text COLLATE pg_catalog.\"C\",\n"
    "    note text DEFAULT 'two\n"
    "    lines, one ''literal'''::text,\n"
    "    released public.year,\n"
    "    price public.\"Money\",\n"
    "    CONSTRAINT films_len CHECK ((length > 0)),\n"
    "    CHECK ((x > 0))\n"
    ");\n"
    "CREATE TABLE public.parent (\n    p text,\n    a double precision\n);\n"
    "CREATE TABLE other.parent2 (\n    a double precision,\n    b other.year\n);\n"
    "CREATE TABLE public.child (\n    extra integer\n)\nINHERITS (public.parent, other.parent2);\n"
    "CREATE UNLOGGED TABLE \"Odd\".\"Films\" (\n    \"x.y\" boolean\n);\n"
    "CREATE TABLE public.p1 PARTITION OF public.parent\nFOR VALUES IN ('x');\n"
    "CREATE TABLE public.parent (\n    z real\n);\n"
    "CREATE TABLE bare (\n    v text\n);\n";

TEST(TableSchemas, ReadsColumnsFromTheDdl) {
  TableSchemas schemas;
  for (std::size_t start = 0, end; start < kDdl.size(); start = end + 1) {
    end = kDdl.find('\n', start);
    schemas.feed_line(kDdl.substr(start, end - start));
  }
  const std::string films =
      "film_id:integer title:character varying(255) checked:boolean Weird \"Col\":text note:text released:integer "
      "price:numeric(10,2) ";
  const std::string_view cases[][3] = {
      {"public", "films", films}, {"", "films", films},     {"public", "child", "p:text a:double precision b:smallint extra:integer "},
      {"Odd", "Films", "x.y:boolean "}, {"public", "p1", "p:text a:double precision "}, {"public", "parent", "z:real "},
      {"", "parent2", "a:double precision b:smallint "}, {"public", "bare", "v:text "}, {"other", "films", "none"},
  };
  for (const auto& [schema, name, columns] : cases) {
    const std::vector<Column>* found = schema.empty() ? schemas.find(name) : schemas.find(schema, name);
    std::string listed = found == nullptr ? "none" : "";
    for (const Column& column : found == nullptr ? std::vector<Column>{} : *found) listed += column.name + ":" + column.type + " ";
    EXPECT_EQ(listed, columns) << schema << "." << name;
  }
}

TEST(ReadCopyColumns, ReadsTheListOrItsAbsence) {
  const struct {
    std::string_view rest, names, after;  // after: where the read stopped
    bool ok;
  } cases[] = {
      {" (film_id, title, \"Weird \"\"Col\"\"\") FROM stdin;", "film_id|title|Weird \"Col\"|", " FROM stdin;", true},
      {" FROM stdin;", "", "FROM stdin;", true}, {"(a,b) FROM stdin;", "a|b|", " FROM stdin;", true},
      {" ( \"a, b\" , c )", "a, b|c|", "", true}, {" (a, b FROM stdin;", "a|b|", "FROM stdin;", false},
      {" (\"open", "", "", false}, {" ()", "", ")", false},
  };
  for (const auto& c : cases) {
    std::vector<std::string> names;
    const NameScan scan = read_copy_columns(c.rest, names);
    std::string listed;
    for (const std::string& name : names) listed += name + "|";
    EXPECT_EQ(std::tuple(scan.ok, listed, c.rest.substr(scan.end)), std::tuple(c.ok, c.names, c.after)) << c.rest;
  }
}

}  // namespace
}  // namespace pgdump2pl
