// Scripts of definitions, each read statement by statement as the
// converter reads a dump, and the columns or sequence values that
// PostgreSQL 15 holds after running them.
#include "sql/catalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "sql/object_names.h"
#include "support/in_memory.h"

namespace pgdump2pl::testing {
namespace {

// The catalog after `script`, each statement read by its first word and
// applied.
struct Loaded {
  explicit Loaded(std::string_view script) : source(script), lines(source, 5), lexer(lines) {
    for (lexer.advance(); lexer.current().kind != TokenKind::end; lexer.advance()) {
      const Token& word = lexer.current();
      if (begins_definition_statement(word)) {
        catalog.apply(read_definition_statement(lexer));
      } else if (word.is_word("set") && lexer.advance().is_word("search_path")) {
        lexer.advance();
        lexer.advance();
        catalog.apply(read_search_path(lexer));
      } else {
        lexer.skip_statement();
      }
      const Token& end = lexer.current();
      EXPECT_TRUE(end.is_symbol(";") || end.kind == TokenKind::meta_command || end.kind == TokenKind::end) << script;
    }
  }
  MemorySource source;
  LineReader lines;
  SqlLexer lexer;
  Catalog catalog;
};

// `id:i4=seq:public.t_id_seq price:num/2=c:0 at:text=expr:now()`.
std::string render(const Table* table) {
  if (table == nullptr) return "none";
  std::string out = table->schema;
  out += '.';
  out += table->name;
  for (const Column& column : table->columns) {
    out += ' ';
    out += column.name;
    out += ':';
    const ColumnType& type = column.type;
    if (type.kind == ColumnKind::integer) {
      out += type.integer_bytes == 0 ? std::string("oid") : 'i' + std::to_string(type.integer_bytes);
    } else if (type.kind == ColumnKind::floating) {
      out += type.single_precision ? "f4" : "f8";
    } else if (type.kind == ColumnKind::number) {
      out += "num";
      if (type.scale >= 0) out += '/' + std::to_string(type.scale);
    } else {
      out += type.kind == ColumnKind::boolean ? "bool" : "text";
    }
    static constexpr const char* kDefaults[] = {"", "=c:", "=seq:", "=expr:"};
    out += column.generated ? "=gen:" : kDefaults[static_cast<int>(column.default_value.kind)];
    out += column.default_value.value;
  }
  return out;
}

// What pg_dump 15 writes for tests/fixtures/all_kinds.sql and a few
// serial, identity and LIKE tables, definitions only.
constexpr std::string_view kPgDump = R"(
SET standard_conforming_strings = on;
SELECT pg_catalog.set_config('search_path', '', false);
CREATE DOMAIN public.money_amount AS numeric(12,2);
CREATE TYPE public.mood AS ENUM (
    'sad',
    'it''s "fine"'
);
CREATE DOMAIN public.positive AS integer
	CONSTRAINT positive_check CHECK ((VALUE > 0));
CREATE DOMAIN public.small_positive AS public.positive
	CONSTRAINT small_positive_check CHECK (((VALUE)::integer < 1000));
CREATE SEQUENCE "Other"."Seq"
    START WITH -1
    INCREMENT BY -2
    NO MINVALUE
    NO MAXVALUE
    CACHE 3;
ALTER TABLE "Other"."Seq" OWNER TO postgres;
CREATE TABLE "Other".t (
    id integer DEFAULT nextval('"Other"."Seq"'::regclass),
    d numeric(5,2) DEFAULT 1.5,
    e text
);
CREATE TABLE public."Odd Table" (
    "Key" integer,
    "twice Key" integer GENERATED ALWAYS AS (("Key" * 2)) STORED,
    "it's ""x""" real,
    "values" boolean
);
CREATE TABLE public.parent (
    id bigint,
    label text,
    late numeric
);
CREATE TABLE public.child (
    weight double precision,
    flag boolean
)
INHERITS (public.parent);
CREATE TABLE public.ident (
    id integer NOT NULL,
    j bigint NOT NULL
);
ALTER TABLE public.ident ALTER COLUMN id ADD GENERATED ALWAYS AS IDENTITY (
    SEQUENCE NAME public.ident_id_seq
    START WITH 100
    INCREMENT BY 5
    NO MINVALUE
    NO MAXVALUE
    CACHE 1
);
CREATE TABLE public.ser (
    id integer NOT NULL,
    s smallint NOT NULL,
    x text DEFAULT 'x'::text,
    t timestamp with time zone DEFAULT now(),
    n integer DEFAULT '-1'::integer,
    f boolean DEFAULT true
);
CREATE SEQUENCE public.ser_id_seq
    AS integer
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    NO MAXVALUE
    CACHE 1;
ALTER SEQUENCE public.ser_id_seq OWNED BY public.ser.id;
CREATE TABLE public.numbers (
    id integer NOT NULL,
    o oid,
    p public.positive,
    sp public.small_positive,
    r real,
    d double precision,
    n numeric,
    n2 numeric(30,5),
    m public.money_amount
);
CREATE TABLE public.texts (
    v character varying(40),
    c character(6),
    "integer" text,
    a integer[],
    ts timestamp without time zone,
    md public.mood,
    js jsonb
);
ALTER TABLE ONLY public.ser ALTER COLUMN id SET DEFAULT nextval('public.ser_id_seq'::regclass);
COPY public.ser (id, s, x, t, n, f) FROM stdin;
\.
SELECT pg_catalog.setval('"Other"."Seq"', -5, true);
SELECT pg_catalog.setval('public.ident_id_seq', 100, true);
ALTER TABLE ONLY public.ser
    ADD CONSTRAINT ser_pkey PRIMARY KEY (id);
\unrestrict abc
)";

struct TableCase {
  std::string_view script;
  QualifiedName table;
  std::string_view columns;
};

const TableCase kTables[] = {
    // pg_dump's own output
    {kPgDump, {"Other", "t"}, R"(Other.t id:i4=seq:"Other"."Seq" d:num/2=c:1.5 e:text)"},
    {kPgDump,
     {"public", "Odd Table"},
     R"(public.Odd Table Key:i4 twice Key:i4=gen:("Key" * 2) it's "x":f4 values:bool)"},
    {kPgDump, {"public", "child"}, "public.child id:i8 label:text late:num weight:f8 flag:bool"},
    {kPgDump, {"public", "ident"}, "public.ident id:i4=seq:public.ident_id_seq j:i8"},
    {kPgDump,
     {"public", "ser"},
     "public.ser id:i4=seq:public.ser_id_seq s:i2 x:text=c:x t:text=expr:now() n:i4=c:-1 f:bool=c:true"},
    {kPgDump, {"public", "numbers"}, "public.numbers id:i4 o:oid p:i4 sp:i4 r:f4 d:f8 n:num n2:num/5 m:num/2"},
    {kPgDump, {"public", "texts"}, "public.texts v:text c:text integer:text a:text ts:text md:text js:text"},
    {kPgDump, {"", "texts"}, "public.texts v:text c:text integer:text a:text ts:text md:text js:text"},
    // hand-written
    {"create table T(id int primary key,name varchar(20) not null default 'x',price numeric(10,2) check (price>0));",
     {"", "t"},
     "public.t id:i4 name:text=c:x price:num/2"},
    {"CREATE TABLE \"T\" (\n  \"id\" INTEGER NOT NULL,\n  exclude Bool, Constraint \"pk\" Primary Key (\"id\"),\n"
     "  UNIQUE (id), foreign key (id) REFERENCES x (a) ON DELETE SET DEFAULT, EXCLUDE USING gist (id WITH =),\n"
     "  Check (id > 0), b int REFERENCES x ON DELETE SET DEFAULT DEFAULT 2 CONSTRAINT n NOT NULL);",
     {"", "T"},
     "public.T id:i4 exclude:bool b:i4=c:2"},
    {"CREATE TABLE t (a double precision, b character varying(3)[], c timestamp(3) with time zone,"
     " d bit varying(5), e \"char\", f integer ARRAY[4], g pg_catalog.int8, h numeric(10,2)[], i float4,"
     " j interval day to second(3), k national character varying(2), l varchar COLLATE \"C\", m decimal(7));",
     {"public", "t"},
     "public.t a:f8 b:text c:text d:text e:text f:text g:i8 h:text i:f4 j:text k:text l:text m:num/0"},
    {"create table d (a int default -1, b numeric default (-2.5), c text default CAST('y' AS text),"
     " d text default NULL::text, e date default date '2024-01-01', f int default 1 + 2,"
     " g timestamp default CURRENT_TIMESTAMP, h text default 'a' || 'b' not null, i int default (1)::int,"
     " j bool default FALSE, k int DEFAULT - 7, l text DEFAULT lower('X') NULL);",
     {"", "d"},
     "public.d a:i4=c:-1 b:num=c:-2.5 c:text=c:y d:text e:text=c:2024-01-01 f:i4=expr:1 + 2"
     " g:text=expr:CURRENT_TIMESTAMP h:text=expr:'a' || 'b' i:i4=c:1 j:bool=c:false k:i4=c:-7"
     " l:text=expr:lower('X')"},
    {"create table q (\"serial\" int, a \"serial\");", {"", "q"}, "public.q serial:i4 a:i4=seq:public.q_a_seq"},
    {"create sequence s; create table n (a int default nextval('s'), b int default nextval(('s'::text)::regclass),"
     " c int default nextval('db.public.s'));",
     {"", "n"},
     "public.n a:i4=seq:public.s b:i4=seq:public.s c:i4=seq:public.s"},
    // inheritance: merged columns, one added and one dropped later
    {"create table inh1 (a int, b text); create table inh2 (b text, c int default 4);"
     " create table ch (c int default 6, d int, a int) inherits (inh1, inh2);"
     " alter table inh2 add column e int; alter table inh1 drop column a; alter table inh2 drop column b;",
     {"", "ch"},
     "public.ch a:i4 b:text c:i4=c:6 d:i4 e:i4"},
    {"create table p (id int generated always as identity, s serial, d int default 5);"
     " create table c (x int) inherits (p); alter table only p alter column d set default 9;"
     " alter table p alter column d type bigint;",
     {"", "c"},
     "public.c id:i4 s:i4=seq:public.p_s_seq d:i8=c:5 x:i4"},
    {"create table p (a int); create table c () inherits (p); alter table only p drop column a;",
     {"", "c"},
     "public.c a:i4"},
    // LIKE, with and without the defaults and identity
    {"create table p (id int generated always as identity, s serial, d int default 5, g int generated always as (d) "
     "stored);"
     " create table l (like p including defaults, z text);",
     {"", "l"},
     "public.l id:i4 s:i4=seq:public.p_s_seq d:i4=c:5 g:i4 z:text"},
    {"create table p (id int generated always as identity, s serial, d int default 5);"
     " create table l (LIKE p INCLUDING ALL EXCLUDING DEFAULTS);",
     {"", "l"},
     "public.l id:i4=seq:public.l_id_seq s:i4 d:i4"},
    // partitions take the parent's columns, not its identity
    {"create table pa (id int generated always as identity, s serial, d int default 5) partition by range (id);"
     " create table pc partition of pa (d default 9) for values from (1) to (10);",
     {"", "pc"},
     "public.pc id:i4 s:i4=seq:public.pa_s_seq d:i4=c:9"},
    {"create table pa (a int, k text) partition by list (k); create table pb (a int, k text);"
     " alter table only pa attach partition pb for values in ('b'); alter table pa add column z real;",
     {"", "pb"},
     "public.pb a:i4 k:text z:f4"},
    // ALTER TABLE's actions
    {"create table t (a int, b text, c int, g int generated always as (a) stored);"
     " alter table if exists only t add column if not exists a text, add d serial, drop column b cascade,"
     " alter column a type numeric(4,1), alter c set default 5, alter g drop expression,"
     " add constraint x check (a > 0); alter table t rename column c to \"C\"; alter table t rename to u;",
     {"", "u"},
     "public.u a:num/1 C:i4=c:5 g:i4 d:i4=seq:public.t_d_seq"},
    // domains over domains, and enums
    {"create domain d1 as int default 7; create domain d2 d1 not null; create type m as enum ('a', 'b');"
     " create table t (a d2, b d2 default null, c d1, e m, f d1[]); alter table t alter column c set default 3;"
     " alter table t alter column c drop default;",
     {"", "t"},
     "public.t a:i4=c:7 b:i4 c:i4=c:7 e:text f:text"},
    // search_path and temporary tables
    {"create table t (a int); SET search_path TO \"S\", public; create table t (b int); create table \"S\".u (c int);",
     {"", "t"},
     "S.t b:i4"},
    {"set search_path = 'a, b'; create table t (a int); set search_path to default;", {"a, b", "t"}, "a, b.t a:i4"},
    {"create table t (a int); create temp table t (b int); set search_path = public, pg_temp;",
     {"", "t"},
     "public.t a:i4"},
    {"create table t (a int); create local temporary table t (b int);", {"", "t"}, "pg_temp.t b:i4"},
    {"select pg_catalog.set_config('search_path', 'x', false); create table t (a int);", {"x", "t"}, "x.t a:i4"},
    // defined again, dropped, or of no known columns
    {"create table t (a int); create table if not exists t (b int);", {"", "t"}, "public.t a:i4"},
    {"create table t (a int); create table t (b int);", {"", "t"}, "public.t b:i4"},
    {"create table t (a int); drop table if exists x, t cascade;", {"", "t"}, "none"},
    {"create table t (a int); create table c () inherits (t); create table t partition of t for values in (1);"
     " alter table c rename to v;",
     {"", "v"},
     "public.v a:i4"},
    {"create table t as select 1 as a;", {"", "t"}, "none"},
    {"create table t (a int); create table t (a, b) as select 1, 2;", {"", "t"}, "none"},
    // names PostgreSQL shortens to 63 bytes
    {"create table \"ThisIsAVeryLongTableNameThatGoesOnAndOnAndOnForeverAndEverAmenXYZ\" "
     "(ColumnNameAlsoQuiteLongIndeed serial);",
     {"", "ThisIsAVeryLongTableNameThatGoesOnAndOnAndOnForeverAndEverAmenXYZ"},
     "public.ThisIsAVeryLongTableNameThatGoesOnAndOnAndOnForeverAndEverAmenX"
     " columnnamealsoquitelongindeed:i4=seq:public.\"ThisIsAVeryLongTableNameThatG_columnnamealsoquitelongindeed_"
     "seq\""},
    // only ASCII letters fold; a character that would pass 63 bytes is left out whole
    {"create table \xc3\x89T_123456789_123456789_123456789_123456789_123456789_12345678\xc3\xa9 "
     "(\xc3\x89Z int, \"\xc3\x89Z\" text);",
     {"", "\xc3\x89t_123456789_123456789_123456789_123456789_123456789_12345678"},
     "public.\xc3\x89t_123456789_123456789_123456789_123456789_123456789_12345678 \xc3\x89z:i4 \xc3\x89Z:text"},
};

TEST(Catalog, KeepsTheColumnsPostgresqlHasAfterTheScript) {
  for (const TableCase& test : kTables) {
    Loaded loaded(test.script);
    QualifiedName name = test.table;
    if (name.name.size() > 63) name.name.resize(63);
    EXPECT_EQ(render(loaded.catalog.find_table(name)), test.columns) << test.script;
  }
}

TEST(Catalog, ReadsANameAsCopyAndInsertWriteIt) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"Public.T (", "public.t ("}, {"db.\"S\" . \"a.b\";", "S.a.b ;"}, {"t", ".t "}, {"x.y.z.w", "failed"}};
  for (const auto& [script, expected] : cases) {
    MemorySource source(script);
    LineReader lines(source);
    SqlLexer lexer(lines);
    lexer.advance();
    QualifiedName name{"stale", ""};
    const bool read = read_qualified_name(lexer, name);
    std::string got = "failed";
    if (read) {
      got = name.schema;
      got += '.';
      got += name.name;
      got += ' ';
      got += lexer.current().text;
    }
    EXPECT_EQ(got, expected);
  }
}

struct SequenceCase {
  std::string_view script;
  std::string_view key;
  std::string_view values;  // the next values, x where nextval fails
};

const SequenceCase kSequences[] = {
    {kPgDump, "\"Other\".\"Seq\"", "-7 -9"},
    {kPgDump, "public.ident_id_seq", "105 110"},
    {kPgDump, "public.ser_id_seq", "1 2"},
    {"create table t (id serial);", "public.t_id_seq", "1 2 3"},
    {"create table t (id smallint generated by default as identity (start with 100 increment by 5 cycle));",
     "public.t_id_seq", "100 105"},
    {"create table t (id bigserial); select pg_catalog.setval('public.t_id_seq', 42, true);", "public.t_id_seq",
     "43 44"},
    {"create table t (id serial); select setval('t_id_seq', 42, false), setval('nope', 1);", "public.t_id_seq",
     "42 43"},
    {"create sequence \"Odd\" increment 3; select setval('public.\"Odd\"', 10); alter sequence \"Odd\" restart with 7;",
     "public.\"Odd\"", "7 10"},
    {"create sequence s start 5; select nextval('s'); alter sequence s restart;", "public.s", "5 6"},
    {"create sequence s increment by -2;", "public.s", "-1 -3"},
    {"create sequence s as smallint start with 32766;", "public.s", "32766 32767 x"},
    {"create sequence s as integer increment -1 start -2147483647;", "public.s", "-2147483647 -2147483648 x"},
    {"create sequence s maxvalue 2 cycle;", "public.s", "1 2 1"},
    {"create sequence s; drop sequence s;", "public.s", "x"},
    {"create table t (id serial); drop table t;", "public.t_id_seq", "x"},
    {"create sequence t_id_seq; create table t (id serial);", "public.t_id_seq1", "1"},
};

TEST(Catalog, HandsOutSequenceValuesAsNextvalDoes) {
  for (const SequenceCase& test : kSequences) {
    Loaded loaded(test.script);
    std::string values;
    for (auto count = std::count(test.values.begin(), test.values.end(), ' ') + 1; count > 0; --count) {
      std::int64_t value = 0;
      if (!values.empty()) values += ' ';
      values += loaded.catalog.next_value(test.key, value) ? std::to_string(value) : "x";
    }
    EXPECT_EQ(values, test.values) << test.script;
  }
}

}  // namespace
}  // namespace pgdump2pl::testing
