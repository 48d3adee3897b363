// Both ends with the real programs: dumps that pg_dump really wrote go
// through the real binary, and SWI-Prolog loads the facts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "support/process.h"

namespace pgdump2pl::testing {
namespace {

bool have_swipl() { return std::system("swipl --version >/dev/null 2>&1") == 0; }
bool have_gprolog() { return std::system("gprolog --version >/dev/null 2>&1") == 0; }

// The lines after `marker`, sorted and joined by blanks.
std::string sorted_after(const std::string& out, const std::string& marker) {
  const std::size_t at = out.find(marker + "\n");
  if (at == std::string::npos) return "(no counts) " + out;
  std::vector<std::string> lines;
  std::istringstream rest(out.substr(at + marker.size() + 1));
  for (std::string line; std::getline(rest, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  std::string joined;
  for (const std::string& line : lines) joined += (joined.empty() ? "" : " ") + line;
  return joined;
}

class RealPrograms : public ScratchTest {
 protected:
  // An error or a warning while loading fails the run.
  Outcome load_facts(const std::string& goal) {
    return run({"swipl", "-q", "-f", "none", "--no-packs", "--on-error=status", "--on-warning=status", "-g", goal, "-t",
                "halt", "facts.pl"});
  }

  // `Name/Arity=Clauses` for each predicate of facts.pl as SWI-Prolog
  // loads it, sorted; a warning or an error says so instead.
  std::string swipl_counts() {
    const Outcome loaded = load_facts(
        "absolute_file_name('facts.pl',F),writeln(counts),"
        "forall((source_file(H,F),functor(H,N,A),predicate_property(H,number_of_clauses(C))),(writeq(N/A=C),nl))");
    if (loaded.status != 0 || !loaded.err.empty()) return "swipl failed: " + loaded.err;
    return sorted_after(loaded.out, "counts");
  }

  // The same as GNU Prolog loads it, which reports on standard output.
  std::string gprolog_counts() {
    const Outcome loaded =
        run({"gprolog", "--init-goal",
             "(consult('facts.pl'),write(counts),nl,(current_predicate(N/A),functor(H,N,A),findall(H,H,L),length(L,C),"
             "writeq(N/A=C),nl,fail;halt);halt(1))"});
    if (loaded.status != 0 || loaded.out.find("warning") != std::string::npos ||
        loaded.out.find("error") != std::string::npos) {
      return "gprolog failed: " + loaded.out;
    }
    return sorted_after(loaded.out, "counts");
  }
};

TEST_F(RealPrograms, PgDumpFixturesGiveTheCommittedFactsThatPrologLoads) {
  const bool swipl = have_swipl();
  for (const std::string name : {"crawler", "crawler-quoted", "crawler-inserts"}) {
    const fs::path fixture = fs::path(PGDUMP2PL_FIXTURES) / name;
    const Outcome converted = run({PGDUMP2PL_BINARY, fixture.string() + ".sql", "facts.pl"});
    EXPECT_EQ(converted.status, 0) << name;
    // The fixtures' odd rows are known: their warnings are committed too.
    std::string warnings = converted.err;
    for (std::size_t at; (at = warnings.find(fixture.parent_path().string() + "/")) != std::string::npos;) {
      warnings.erase(at, fixture.parent_path().string().size() + 1);
    }
    EXPECT_EQ(warnings, slurp(fixture.string() + ".warnings")) << name;
    EXPECT_TRUE(slurp(dir / "facts.pl") == slurp(fixture.string() + ".pl"))
        << name << ": differs from the committed facts";
    if (swipl) {
      const Outcome loaded = load_facts("true");
      EXPECT_EQ(loaded.status, 0) << name;
      EXPECT_EQ(loaded.err, "") << name;
    }
  }
  if (!swipl) GTEST_SKIP() << "facts not loaded: no swipl (Debian: swi-prolog-nox)";
}

// A table name is the dump's to choose, and loading the facts must never
// run it: each name here would create the file `injected` if its banner
// let it out of the comment.
TEST_F(RealPrograms, NoTableNameRunsWhenTheFactsAreLoaded) {
  if (!have_swipl()) GTEST_SKIP() << "no swipl (Debian: swi-prolog-nox)";
  const std::string goal = "open(injected,write,S),close(S)";
  // As in a UTF-8 locale, where a byte that is not UTF-8 fails the load.
  ::setenv("LC_ALL", "C.UTF-8", 1);
  for (const std::string& name :
       std::vector<std::string>{"\"x*/:-" + goal + ".%\"", "public.\"x*/ :- " + goal + ". %\" (a)", "\"s*/\"",
                                "\"s/*\"", "\"x/*y\"", "\"a*/*/b\"", "\"s\xff*/\"", "public.\"s\xe9\\'\""}) {
    put(dir / "dump.sql", "COPY " + name + " FROM stdin;\n1\t2\t3\t4\n\\.\nCOPY sites FROM stdin;\nlast\t1\n\\.\n");
    ASSERT_EQ(run({PGDUMP2PL_BINARY, "dump.sql", "facts.pl"}).status, 0) << name;
    const Outcome loaded = load_facts("sites(last,1)");
    EXPECT_EQ(loaded.status, 0) << name;
    EXPECT_EQ(loaded.err, "") << name;
    EXPECT_FALSE(fs::exists(dir / "injected")) << name;
  }
}

// With --all-tables every table loads whole, as one predicate of its own,
// in both Prologs: SWI-Prolog loads the facts of either dialect, GNU
// Prolog those of --dialect=gnu, and both count the same clauses.
TEST_F(RealPrograms, EveryTableLoadsWholeInBothPrologs) {
  if (!have_swipl() || !have_gprolog()) GTEST_SKIP() << "no swipl or gprolog (Debian: swi-prolog-nox, gprolog)";
  const auto wide = [](int columns) {
    std::string script = "CREATE TABLE w (", row;
    for (int i = 0; i < columns; ++i) {
      const std::string number = std::to_string(i);
      script.append(i > 0 ? ", c" : "c").append(number).append(" bigint");
      row.append(i > 0 ? "\t" : "").append(number);
    }
    return script + ");\nCOPY w FROM stdin;\n" + row + "\n" + row + "\n\\.\nINSERT INTO w (c1) VALUES (1);\n";
  };
  const struct {
    std::string what, script;
    std::string swi, gnu;  // the counts each dialect's facts load to
    std::vector<std::string> options = {};
    int swi_warnings = 0, gnu_warnings = 0;  // lines on the converter's standard error
  } cases[] = {
      {"a table filled in turns",
       "CREATE TABLE a (x int, y text);\nCREATE TABLE b (z int);\nINSERT INTO a VALUES (1, 'p');\n"
       "INSERT INTO b VALUES (1);\nINSERT INTO a VALUES (2, 'q'), (3, 'r');\nCOPY b FROM stdin;\n2\n\\.\n"
       "INSERT INTO a VALUES (4, 's');\n",
       "a/2=4 b/1=2", "a/2=4 b/1=2"},
      {"same-name tables in two schemas, and one whose schema comes later",
       "CREATE TABLE x.sites (u text, n int);\nCREATE TABLE y.sites (u text);\nCOPY x.sites FROM stdin;\na\t1\n\\.\n"
       "COPY y.sites FROM stdin;\nb\nc\n\\.\nINSERT INTO x.sites VALUES ('d', 2);\n"
       "INSERT INTO pages VALUES (1);\nCREATE TABLE z.pages (n int);\nINSERT INTO z.pages VALUES (2), (3);\n"
       "INSERT INTO pages VALUES (4);\n",
       "'x.sites'/2=2 'y.sites'/1=2 'z.pages'/1=2 pages/1=2", "'x.sites'/2=2 'y.sites'/1=2 'z.pages'/1=2 pages/1=2"},
      {"300 columns", wide(300), "w/300=3", "w/1=3", {}, 0, 1},
      {"1,100 columns", wide(1100), "w/1=3", "w/1=3", {}, 1, 1},
      {"bigint and numeric extremes",
       "CREATE TABLE n (b bigint, m numeric, r numeric(40,2));\nCOPY n FROM stdin;\n"
       "-9223372036854775808\t1152921504606846975\t99999999999999999999999999999999999999.99\n"
       "9223372036854775807\t-1152921504606846976\t-1.5\n1152921504606846976\t1e400\t0\n"
       "-1152921504606846977\t-1.5e-300\t1\n\\.\n",
       "n/3=4",
       "n/3=4",
       {},
       0,
       1},
      {"NaN and the infinities",
       "CREATE TABLE f (d float8, r real, m numeric);\nINSERT INTO f VALUES ('NaN', 'NaN', 'NaN'), "
       "('Infinity', '-Infinity', 'Infinity'), ('-inf', 'inf', '-Infinity'), (1e308, 1e-45, 1e-320);\n",
       "f/3=4",
       "f/3=4",
       {},
       0,
       1},
      {"column facts, beside a table named as their predicate",
       "CREATE TABLE films (\"it's\" text, price numeric(5,2));\nCREATE TABLE pgdump2pl_column (a int, b int, c int, d "
       "int);\nINSERT INTO films VALUES ('Jaws', 9.99);\nINSERT INTO pgdump2pl_column VALUES (1, 2, 3, 4);\n"
       "INSERT INTO films VALUES ('It', 1);\n",
       "'public.pgdump2pl_column'/4=1 films/2=2 pgdump2pl_column/4=6",
       "'public.pgdump2pl_column'/4=1 films/2=2 pgdump2pl_column/4=6",
       {"--column-facts"}},
      {"names that Prolog runs, rewrites with or stops at",
       "CREATE TABLE \":-\" (g text);\nCREATE TABLE \"?-\" (g text);\nCREATE TABLE \"-->\" (a text, b text);\n"
       "CREATE TABLE end_of_file ();\nCREATE TABLE term_expansion (a text, b text);\n"
       "INSERT INTO \":-\" VALUES ('halt');\nINSERT INTO \"?-\" VALUES ('halt');\nINSERT INTO \"-->\" VALUES ('a', "
       "'b');\n"
       "INSERT INTO end_of_file DEFAULT VALUES;\nINSERT INTO term_expansion VALUES ('z', 'y');\nINSERT INTO z DEFAULT "
       "VALUES;\n",
       "'public.\"-->\"'/2=1 'public.\":-\"'/1=1 'public.\"?-\"'/1=1 'public.end_of_file'/0=1 "
       "'public.term_expansion'/2=1 z/0=1",
       "'public.\"-->\"'/2=1 'public.\":-\"'/1=1 'public.\"?-\"'/1=1 'public.end_of_file'/0=1 "
       "'public.term_expansion'/2=1 z/0=1"},
  };
  for (const auto& c : cases) {
    put(dir / "dump.sql", c.script);
    for (const std::string dialect : {"swi", "gnu"}) {
      std::vector<std::string> args = {PGDUMP2PL_BINARY, "--all-tables", "--dialect=" + dialect};
      args.insert(args.end(), c.options.begin(), c.options.end());
      args.insert(args.end(), {"dump.sql", "facts.pl"});
      const Outcome converted = run(args);
      EXPECT_EQ(converted.status, 0) << c.what;
      EXPECT_EQ(std::count(converted.err.begin(), converted.err.end(), '\n'),
                dialect == "swi" ? c.swi_warnings : c.gnu_warnings)
          << c.what << ", " << dialect << ": " << converted.err;
      EXPECT_EQ(swipl_counts(), dialect == "swi" ? c.swi : c.gnu) << c.what << ", " << dialect;
      if (dialect == "gnu") {
        EXPECT_EQ(gprolog_counts(), c.gnu) << c.what;
      }
    }
  }
}

}  // namespace
}  // namespace pgdump2pl::testing
