// --all-tables: the dump read as an SQL script, every table by its own
// columns and their types.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/in_memory.h"

namespace pgdump2pl::testing {
namespace {

struct Case {
  std::string what, script, facts, warnings = "";
  std::string encoding = "";  // --encoding
};

void expect_converts(const Case& c) {
  for (const std::size_t size : {1u, 3u, 64u, 1u << 20}) {
    const Converted got = convert_in_memory(c.script, size, 0, 0, 0, true, c.encoding);
    EXPECT_EQ(got.facts, c.facts) << c.what << " (size " << size << ")";
    EXPECT_EQ(got.warnings, c.warnings) << c.what << " (size " << size << ")";
  }
}

// A block whose banner lists `columns` ("id int"), then its facts and count.
std::string block(std::string_view name, std::string_view facts, int rows,
                  const std::vector<std::string>& columns = {}) {
  std::string head = "/**\n * Table " + std::string(name);
  for (std::size_t i = 0; i < columns.size(); ++i) head += "\n *   " + std::to_string(i + 1) + ". " + columns[i];
  return head + "\n */\n\n" + std::string(facts) + count(rows);
}

// What comes before a predicate's first fact in the file.
std::string declared(std::string_view predicate) { return ":- discontiguous(" + std::string(predicate) + ").\n"; }

std::string misfit(int line, std::string_view table, std::string_view what, int rows = 1, int of = 1) {
  return "pgdump2pl: dump.sql:" + std::to_string(line) + ": warning: table " + std::string(table) + ": " +
         std::to_string(rows) + " of " + std::to_string(of) +
         " rows do not fit its columns (first: " + std::string(what) + ")\n";
}

// A column's type by a letter.
std::string type_of(char letter) {
  const std::string_view letters = "isgofrnpbtavcwd";
  const char* const types[] = {"integer",          "smallint",   "bigint",    "oid",
                               "double precision", "real",       "numeric",   "numeric(10,2)",
                               "boolean",          "text",       "integer[]", "character varying(20)",
                               "character(4)",     "varchar(4)", "numeric(1)"};
  return types[letters.find(letter)];
}

TEST(AllTables, WritesEachCopyFieldAsTheTermOfItsType) {
  const std::string huge = std::string(1, '2').append(308, '0');
  const struct {
    std::string_view types;
    std::string row, arguments;
    std::string_view problem;  // the first field that does not fit, or the field count
  } cases[] = {
      {"gns", "-9223372036854775808\t123456789012345678901234567890\t7",
       "-9223372036854775808,123456789012345678901234567890,7", ""},
      {"sgo", " +7 \t9223372036854775808\t-1", "7,'9223372036854775808',4294967295", "field 2 is not an integer"},
      {"g", "18446744073709551616", "'18446744073709551616'", "field 1 is not an integer"},
      {"iso", "1.5\t-\t", "'1.5','-',''", "field 1 is not an integer"},
      {"frrf", "1e+300\t-0\t5\t1e-320", "1.0e+300,-0.0,5.0,1.0e-320", ""},
      {"frrnpn", "NaN\tInfinity\t-Infinity\tNaN\tInfinity\t-Infinity",
       "1.5NaN,1.0Inf,-1.0Inf,1.5NaN,'Infinity',-1.0Inf", "field 5 is not a number"},
      {"fr", "3.14159265358979\t3.14159265358979", "3.14159265358979,3.1415927", ""},
      {"nn", "inf\t2e1x", "1.0Inf,'2e1x'", "field 2 is not a number"},
      {"d", "7.5", "8", ""},
      {"n", "1e1043", "1" + std::string(1043, '0'), ""},  // as long as a term for 6 bytes may be
      {"npnn", "12.50\t1\t1.5e10\t1.50e1", "12.50,1.00,15000000000,15.0", ""},
      {"nn", huge + ".5\t2e308", "'" + huge + ".5'," + huge.substr(0, 1) + "0" + std::string(307, '0'),
       "field 1 is not a number"},
      {"bbb", "t\tf\tx", "true,false,'x'", "field 3 is not a boolean"},
      {"ifnbta", "\\N\t\\N\t\\N\t\\N\t\\N\t\\N", "'$null$','$null$','$null$','$null$','$null$','$null$'", ""},
      {"tv", "\\Nx\t\\\\N", "'Nx','\\\\N'", ""},
      {"t", "\\b\\f\\n\\r\\t\\v", "'\\b\\f\\n\\r\\t\\v'", ""},
      {"t", "\\1\\12\\101\\0", "'\\001\\\\nA\\x00\\'", "field 1 is not valid UTF8"},
      {"t", "\\x4f\\x0a\\x20\\xAg\\xG\\x7F\\x", "'O\\n \\ngxG\\177\\x'", ""},
      {"t", "caf\xc3\xa9 \\303\\251 abcdefghijklmnop'q", "'caf\xc3\xa9 \xc3\xa9 abcdefghijklmnop\\'q'", ""},
      {"tt", "bad \xff\xc3(\tok", "'bad \\xFF\\\\xC3\\(','ok'", "field 1 is not valid UTF8"},
      {"ti", "a\t1\r", "'a',1", ""},
      {"cwcw", "ab\tabc   \t\\N\tabcd", "'ab  ','abc ','$null$','abcd'", ""},
      {"cwc", "a\\040\\040\\040\\040\\040\t\\303\\251\\303\\251\\303\\251\\303\\251 \tabcde",
       "'a   ','\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9','abcde'", "field 3 is longer than 4 characters"},
      {"ii", "1", "", "1 fields for its 2 columns"},
      {"ii", "1\t2\t3\t", "", "4 fields for its 2 columns"},
  };
  for (const auto& c : cases) {
    std::string script = "CREATE TABLE public.t (", columns;
    std::vector<std::string> declared_columns;
    for (std::size_t i = 0; i < c.types.size(); ++i) {
      const std::string name = std::string(1, 'c').append(std::to_string(i));
      script += (i > 0 ? ", " : "") + name + " " + type_of(c.types[i]);
      columns += (i > 0 ? ", " : "") + name;
      declared_columns.push_back(name + " " + type_of(c.types[i]));
    }
    script += ");\nCOPY public.t (" + columns + ") FROM stdin;\n" + c.row + "\n\\.\n";
    const std::string facts = c.arguments.empty() ? "" : "t(" + c.arguments + ").\n";
    expect_converts({c.row, script,
                     block("t", declared("t/" + std::to_string(c.types.size())) + facts, 1, declared_columns),
                     c.problem.empty() ? "" : misfit(3, "t", c.problem)});
  }
}

TEST(AllTables, ReadsTheScriptAsPsqlDoes) {
  const std::vector<std::string> kCountry = {"id int", "name text", "code text"},
                                 kActor = {"id serial", "name text", "born int", "seen timestamptz"};
  const Case cases[] = {
      {"one-line definitions, mixed case, folded names",
       "create table Regions (ID Int, Name TEXT, Constraint \"pk\" Primary Key (id), ok Bool);\n"
       "COPY regions FROM stdin;\n1\tNorth\tyes\n\\.\n",
       block("regions", declared("regions/3") + "regions(1,'North',true).\n", 1, {"id int", "name text", "ok bool"})},
      {"statements across lines, comments and strings that hold ; -- COPY",
       "CREATE TABLE t (a int, /* x /* nested */ ; */ b text);\n-- COPY t FROM stdin;\n"
       "INSERT INTO t\n  VALUES (1, 'a;b -- COPY t'), -- c\n (2, $$x\ny$$), (3, $q$it's$q$);\n",
       block("t", declared("t/2") + "t(1,'a;b -- COPY t').\nt(2,'x\\ny').\nt(3,'it\\'s').\n", 3, {"a int", "b text"})},
      {"COPY options, old and new",
       "CREATE TABLE country (id int, name text, code text);\n"
       "COPY country (name, code, id) FROM stdin DELIMITER '|' NULL 'NA';\nFrance|FR|1\nNA|x\\|y|2\n\\.\n"
       "COPY country FROM stdin WITH (FORMAT csv, HEADER true, FORCE_NULL (code), FORCE_NOT_NULL (name));\n"
       "id,name,code\n3,,\"\"\n4,\"a \"\"b\"\"\nc\",\"\"\n\\.\n"
       "COPY country (id, name) FROM stdin CSV QUOTE AS '''';\n5,'x,y'\n6,\n\\.\n",
       block("country", declared("country/3") + "country(1,'France','FR').\ncountry(2,'$null$','x|y').\n", 2,
             kCountry) +
           block("country", "country(3,'','$null$').\ncountry(4,'a \"b\"\\nc','$null$').\n", 2, kCountry) +
           block("country", "country(5,'x,y','$null$').\ncountry(6,'$null$','$null$').\n", 2, kCountry)},
      {"INSERT forms: one block for consecutive INSERTs, columns in declared order",
       "CREATE TABLE actor (id serial, name text, born int DEFAULT 1900, seen timestamptz DEFAULT now());\n"
       "INSERT INTO actor (name, born) VALUES ('Ann', 1950), (E'B\\tb', DEFAULT);\n"
       "/* between */ INSERT INTO actor VALUES (10, N'C', -5, NULL), (11, U&'d\\0061t');\n"
       "INSERT INTO actor (born, name) VALUES ((7), CAST('12' AS int)::text), (2.5, 'x'||'y');\n"
       "INSERT INTO other VALUES (1, 'a', true);\nINSERT INTO actor DEFAULT VALUES;\n",
       block("actor",
             declared("actor/4") +
                 "actor(1,'Ann',1950,'now()').\nactor(2,'B\\tb',1900,'now()').\nactor(10,'C',-5,'$null$').\n"
                 "actor(11,'dat',1900,'now()').\nactor(3,'12',7,'now()').\nactor(4,'\\'x\\'||\\'y\\'',3,'now()').\n",
             6, kActor) +
           block("other", declared("other/3") + "other('1','a','true').\n", 1) +
           block("actor", "actor(5,'$null$',1900,'now()').\n", 1, kActor),
       misfit(2, "actor", "field 4 is an expression", 5, 6) + misfit(6, "actor", "field 4 is an expression")},
      {"sequences: setval, identity, restart",
       "CREATE SEQUENCE s START 5 INCREMENT 10;\nCREATE TABLE q (a int DEFAULT nextval('s'::regclass), "
       "b int GENERATED BY DEFAULT AS IDENTITY (START WITH 100), c int GENERATED ALWAYS AS (a * 2) STORED);\n"
       "INSERT INTO q (a) VALUES (1), (DEFAULT);\nSELECT pg_catalog.setval('s', 200, true);\n"
       "INSERT INTO q VALUES (DEFAULT, 7);\n",
       block("q", declared("q/2") + "q(1,100).\nq(5,101).\n", 2, {"a int", "b int"}) +
           block("q", "q(210,7).\n", 1, {"a int", "b int"})},
      {"what cannot be converted is said", "COPY t FROM '/tmp/x.csv';\nINSERT INTO t SELECT 1;\nCOPY t TO stdout;\n",
       "",
       "pgdump2pl: dump.sql:1: warning: COPY reads its rows from outside the script: table t gets no facts from it\n"
       "pgdump2pl: dump.sql:2: warning: INSERT takes its rows from a query: table t gets no facts from it\n"},
      {"encodings: the script's, a COPY's, invalid bytes",
       "SET client_encoding = 'LATIN1';\nCREATE TABLE caf\xe9 (t text);\nINSERT INTO caf\xe9 VALUES ('\xe9t\xe9');\n"
       "COPY caf\xe9 FROM stdin (ENCODING 'UTF8');\n\xc3\xa9\xff\n\\.\n\\encoding WIN1252\nINSERT INTO t VALUES "
       "('\x80\x81');\n",
       block("café", declared("'café'/1") + "'café'('été').\n", 1, {"t text"}) +
           block("café", "'café'('é\\xFF\\').\n", 1, {"t text"}) + block("t", declared("t/1") + "t('€\\x81\\').\n", 1),
       misfit(5, "café", "field 1 is not valid UTF8") + misfit(8, "t", "field 1 is not valid WIN1252")},
      {"an encoding not known", "\\encoding \tKLINGON\n", "",
       "pgdump2pl: dump.sql:1: warning: unknown client encoding KLINGON, reading on as UTF8\n"},
      {"--encoding for a script that declares none", "INSERT INTO t VALUES ('\xe9');\n",
       block("t", declared("t/1") + "t('é').\n", 1), "", "LATIN1"},
      {"pg_dump's INSERTs: a head repeated row after row, rows by commas, tabs and line ends",
       "CREATE TABLE public.t (a integer, b text, c boolean);\nINSERT INTO public.t VALUES (1, 'x', true);\n"
       "INSERT INTO public.t VALUES (2, 'it''s', false);\n-- between\nINSERT INTO public.t VALUES (3, NULL, NULL);\n"
       "INSERT INTO public.t VALUES\n\t(4, 'a', true),\n\t(5, 'b\nc', false);\n"
       "INSERT INTO public.t (a, b, c) VALUES (6, 'y', true) ON CONFLICT DO NOTHING;\n"
       "INSERT INTO public.t VALUES (7, 'z', maybe);\nINSERT INTO public.t VALUES (8, 'w', true, 9);\n",
       block("t",
             declared("t/3") +
                 "t(1,'x',true).\nt(2,'it\\'s',false).\nt(3,'$null$','$null$').\nt(4,'a',true).\nt(5,'b\\nc',false).\n"
                 "t(6,'y',true).\nt(7,'z','maybe').\n",
             8, {"a integer", "b text", "c boolean"}),
       misfit(11, "t", "field 3 is an expression", 2, 8)},
      {"numbers as PostgreSQL casts them, Unicode escapes in a LATIN1 script",
       "CREATE TABLE n (i int, f float8, r real);\nINSERT INTO n VALUES (2.5, -0, -1.5e10), ('3', '-0', 16777217), "
       "(4., 1., 2.);\n"
       "SET client_encoding = 'LATIN1';\nINSERT INTO s VALUES (U&'\\00e9', E'\\u00e9\\xe9');\n",
       block("n", declared("n/3") + "n(3,0.0,-1.5000001e+10).\nn(3,-0.0,16777216.0).\nn(4,1.0,2.0).\n", 3,
             {"i int", "f float8", "r real"}) +
           block("s", declared("s/2") + "s('\xc3\xa9','\xc3\xa9\xc3\xa9').\n", 1)},
      {"string types: char(n) pads, char(n) and varchar(n) cut blanks beyond n, N'' and casts",
       "CREATE TABLE s (c char(4), v varchar(4), t text, b bpchar);\nINSERT INTO s VALUES (N'ab ', N'ab ', N'ab ', "
       "N'ab '),\n ('a'::char(3), 'abcdef'::char(2), CAST(N'x ' AS text), char 'c  '),\n ('abcde', "
       "'\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9  ', (N'y '), 'q'::bpchar(3));\n",
       block("s",
             declared("s/4") + "s('ab  ','ab','ab','ab ').\ns('a   ','ab','x','c  "
                               "').\ns('abcde','\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9','y','q  ').\n",
             3, {"c char(4)", "v varchar(4)", "t text", "b bpchar"}),
       misfit(4, "s", "field 1 is longer than 4 characters", 1, 3)},
      {"COPY escapes in a LATIN1 script are the server's UTF-8; CSV lines are converted too",
       "SET client_encoding = 'LATIN1';\nCREATE TABLE t (a text, b varchar(2));\nCOPY t FROM stdin;\n"
       "caf\\303\\251 \xe9\t\xe9\\040\\040\n\\.\nCOPY t FROM stdin CSV;\n\"\xe9\\303\",\xe9\xe9\n\\.\n",
       block("t", declared("t/2") + "t('caf\xc3\xa9 \xc3\xa9','\xc3\xa9 ').\n", 1, {"a text", "b varchar(2)"}) +
           block("t", "t('\xc3\xa9\\\\303','\xc3\xa9\xc3\xa9').\n", 1, {"a text", "b varchar(2)"})},
      {"psql's \\copy: rows from stdin, a file warned about; a CSV quote left open ends at \\.",
       "CREATE TABLE t (a int, b text);\n\\copy t (b, a) from stdin with (format csv, escape '\\');\n\"x,y\",1\n"
       "\"a\n\\\"b\",2\n\\.\n"
       "\\copy t from 'f.csv'\nCOPY t FROM stdin CSV;\n2,ok\n3,\"never\n4,x\n\\.\nINSERT INTO t VALUES (5, 'after');\n",
       block("t", declared("t/2") + "t(1,'x,y').\nt(2,'a\\n\"b').\n", 2, {"a int", "b text"}) +
           block("t", "t(2,'ok').\n", 1, {"a int", "b text"}) + block("t", "t(5,'after').\n", 1, {"a int", "b text"}),
       "pgdump2pl: dump.sql:7: warning: \\copy reads its rows from outside the script: table t gets no facts from it\n"
       "pgdump2pl: dump.sql:10: warning: the COPY data ends inside a quoted CSV field: table t gets no fact from the "
       "row "
       "that begins here\n"},
      {"pg_dump's definitions: a default before a line end, names quoted in the banner only as SQL must",
       "CREATE TABLE public.e (\n    \"1a\" integer,\n    zz integer,\n"
       "    at timestamp with time zone DEFAULT now()\n);\nINSERT INTO public.e VALUES (1, 2);\n",
       block("e", declared("e/3") + "e(1,2,'now()').\n", 1,
             {"\"1a\" integer", "zz integer", "at timestamp with time zone"}),
       misfit(6, "e", "field 3 is an expression")},
      {"a script that ends inside an INSERT's string", "INSERT INTO sites VALUES ('abc", "",
       "pgdump2pl: dump.sql:1: warning: the script ends inside this INSERT, which PostgreSQL refuses: table sites gets "
       "no facts from it\n"},
      {"a script that ends inside an INSERT's later tuple",
       "INSERT INTO t VALUES (1);\nINSERT INTO t VALUES\n (2), ((3",
       block("t", declared("t/1") + "t('1').\nt('2').\n", 2),
       "pgdump2pl: dump.sql:2: warning: the script ends inside this INSERT, which PostgreSQL refuses: table t has "
       "facts from its first 1 row all the same\n"},
      {"backslashes in plain strings before standard_conforming_strings",
       "INSERT INTO t VALUES ('a\\\\b');\nSET standard_conforming_strings = off;\nINSERT INTO t VALUES "
       "('a\\\\b\\'c');\n",
       block("t", declared("t/1") + "t('a\\\\\\\\b').\n", 1) + block("t", "t('a\\\\b\\'c').\n", 1)},
  };
  for (const Case& c : cases) expect_converts(c);
}

}  // namespace
}  // namespace pgdump2pl::testing
