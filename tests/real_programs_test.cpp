// Both ends with the real programs: dumps that pg_dump really wrote go
// through the real binary, and SWI-Prolog loads the facts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/process.h"

namespace pgdump2pl::testing {
namespace {

bool have_swipl() { return std::system("swipl --version >/dev/null 2>&1") == 0; }

class RealPrograms : public ScratchTest {
 protected:
  // An error or a warning while loading fails the run.
  Outcome load_facts(const std::string& goal) {
    return run({"swipl", "-q", "-f", "none", "--no-packs", "--on-error=status", "--on-warning=status", "-g", goal, "-t",
                "halt", "facts.pl"});
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
  for (const std::string& name :
       std::vector<std::string>{"\"x*/:-" + goal + ".%\"", "public.\"x*/ :- " + goal + ". %\" (a)", "\"s*/\"",
                                "\"s/*\"", "\"x/*y\"", "\"a*/*/b\""}) {
    put(dir / "dump.sql", "COPY " + name + " FROM stdin;\n1\t2\t3\t4\n\\.\nCOPY sites FROM stdin;\nlast\t1\n\\.\n");
    ASSERT_EQ(run({PGDUMP2PL_BINARY, "dump.sql", "facts.pl"}).status, 0) << name;
    const Outcome loaded = load_facts("sites(last,1)");
    EXPECT_EQ(loaded.status, 0) << name;
    EXPECT_EQ(loaded.err, "") << name;
    EXPECT_FALSE(fs::exists(dir / "injected")) << name;
  }
}

}  // namespace
}  // namespace pgdump2pl::testing
