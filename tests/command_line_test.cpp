// The real binary, run as a user runs it: exit status, standard output,
// standard error, and what becomes of the files.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/process.h"

namespace {

using namespace pgdump2pl::testing;

constexpr std::string_view kWrongArguments = "Arg incorrects\n";
constexpr std::string_view kCannotOpenDump = "Echec de l'ouverture du fichier crawler_bdd_03.sql\n";
constexpr std::string_view kCannotOpenFacts = "Echech de l'ouverture du fichier bd.pl\n";
constexpr std::string_view kCannotReadDump = "Echec de la lecture du fichier crawler_bdd_03.sql\n";
constexpr std::string_view kCannotWriteFacts = "Echec de l'ecriture du fichier bd.pl\n";

const std::string kDump = "-- dump\nCOPY public.sites (url, id) FROM stdin;\nhttp://a.example/\t1\n\\.\n";
const std::string kFacts = "/**\n * Table sites\n */\n\nsites('http://a.example/',1).\n/* (1 entrees) */\n\n\n";

class CommandLine : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    dump = dir / "crawler.sql";
    facts = dir / "facts.pl";
    put(dump, kDump);
  }

  Outcome convert(std::vector<std::string> args, const char* stdin_path = "/dev/null") {
    args.insert(args.begin(), PGDUMP2PL_BINARY);
    return run(args, stdin_path);
  }

  fs::path dump, facts;
};

TEST_F(CommandLine, WrongArgumentCountOpensNothing) {
  const std::vector<std::vector<std::string>> cases = {
      {}, {dump}, {dump, facts, facts.string() + "2"}};
  for (const auto& args : cases) {
    const Outcome r = convert(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, kWrongArguments);
    EXPECT_EQ(r.err, "pgdump2pl: expected 2 arguments, got " + std::to_string(args.size()) +
                         "\nusage: pgdump2pl DUMP FACTS\n");
    EXPECT_FALSE(fs::exists(facts));
  }
}

TEST_F(CommandLine, FailedStartLeavesEveryFileAsItWas) {
  const std::string precious = "precious facts\n";
  const struct {
    std::string_view what;
    std::function<void()> setup;
    std::string dump_arg, facts_arg;
    std::string_view message;
    std::string reason;
  } cases[] = {
      {"missing dump", [] {}, (dir / "missing.sql").string(), facts, kCannotOpenDump,
       (dir / "missing.sql").string() + ": No such file or directory"},
      {"option is a path", [] {}, "--help", facts, kCannotOpenDump, "--help: No such file or directory"},
      {"dump is a directory", [] {}, dir, facts, kCannotOpenDump, dir.string() + ": Is a directory"},
      {"both missing", [] {}, (dir / "missing.sql").string(), (dir / "no" / "f.pl").string(), kCannotOpenDump,
       (dir / "missing.sql").string() + ": No such file or directory"},
      {"same path", [] {}, dump, dump, kCannotOpenFacts, dump.string() + ": is the dump itself"},
      {"hard link", [&] { fs::create_hard_link(dump, dir / "link.pl"); }, dump, (dir / "link.pl").string(),
       kCannotOpenFacts, (dir / "link.pl").string() + ": is the dump itself"},
      {"symbolic link", [&] { fs::create_symlink(dump, dir / "sym.pl"); }, dump, (dir / "sym.pl").string(),
       kCannotOpenFacts, (dir / "sym.pl").string() + ": is the dump itself"},
      {"facts path is a directory", [&] { fs::create_directory(dir / "d.pl"); }, dump, (dir / "d.pl").string(),
       kCannotOpenFacts, (dir / "d.pl").string() + ": Is a directory"},
      {"facts in a missing directory", [] {}, dump, (dir / "no" / "f.pl").string(), kCannotOpenFacts,
       (dir / "no" / "f.pl").string() + ": No such file or directory"},
  };
  for (const auto& c : cases) {
    put(facts, precious);
    c.setup();
    const Outcome r = convert({c.dump_arg, c.facts_arg});
    EXPECT_EQ(r.status, 255) << c.what;
    EXPECT_EQ(r.out, c.message) << c.what;
    EXPECT_EQ(r.err, "pgdump2pl: " + c.reason + "\n") << c.what;
    EXPECT_EQ(slurp(facts), precious) << c.what;
    EXPECT_EQ(slurp(dump), kDump) << c.what;
  }
}

TEST_F(CommandLine, FailuresWhileConvertingAreNeverSilent) {
  const struct {
    std::string dump_arg, facts_arg;
    std::string_view message;
    std::string reason;
  } cases[] = {
      // Reading a process's own memory from address 0 fails with EIO.
      {"/proc/self/mem", facts, kCannotReadDump, "/proc/self/mem: Input/output error"},
      {dump, "/dev/full", kCannotWriteFacts, "/dev/full: No space left on device"},
  };
  for (const auto& c : cases) {
    const Outcome r = convert({c.dump_arg, c.facts_arg});
    EXPECT_EQ(r.status, 255) << c.reason;
    EXPECT_EQ(r.out, c.message) << c.reason;
    EXPECT_EQ(r.err, "pgdump2pl: " + c.reason + "\n");
  }
}

TEST_F(CommandLine, ConvertsSilentlyAndReplacesTheFactFile) {
  put(facts, std::string(100000, 'x'));
  const Outcome r = convert({dump, facts});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(slurp(facts), kFacts);
}

TEST_F(CommandLine, ReadsTheDumpFromStandardInput) {
  const Outcome r = convert({"/dev/stdin", facts}, dump.c_str());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(slurp(facts), kFacts);
}

TEST_F(CommandLine, DumpWithoutDataGivesAnEmptyFactFile) {
  put(dump, "-- nothing but comments\nCREATE TABLE sites (url text);\n");
  const Outcome r = convert({dump, facts});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(fs::exists(facts));
  EXPECT_EQ(slurp(facts), "");
}

}  // namespace
