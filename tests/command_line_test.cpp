// The real binary, run as a user runs it: exit status, standard output,
// standard error, and what becomes of the files.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/process.h"

namespace pgdump2pl::testing {
namespace {

const std::string kDump = "-- dump\nCOPY public.sites (url, id) FROM stdin;\nhttp://a.example/\t1\n\\.\n";
const std::string kFacts = "/**\n * Table sites\n */\n\nsites('http://a.example/',1).\n/* (1 entrees) */\n\n\n";
const std::string kPrecious = "precious facts\n";

class CommandLine : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    put(dir / "crawler.sql", kDump);
    put(dir / "facts.pl", kPrecious);
    fs::create_hard_link(dir / "crawler.sql", dir / "link.pl");
    fs::create_symlink(dir / "crawler.sql", dir / "sym.pl");
    fs::create_directory(dir / "d.pl");
    fs::copy(fs::path(PGDUMP2PL_FIXTURES) / "archives" / "crawler.directory", dir / "d.dir");
    ::mkfifo((dir / "in.fifo").c_str(), 0600);
    ::mkfifo((dir / "out.fifo").c_str(), 0600);
    ::alarm(30);  // a converter stuck on a pipe fails the test instead of hanging it
  }
  Outcome convert(std::vector<std::string> args, const char* stdin_path = "/dev/null") {
    args.insert(args.begin(), PGDUMP2PL_BINARY);
    return run(args, stdin_path);
  }
};

TEST_F(CommandLine, WrongArgumentsOpenNothing) {
  const struct {
    std::vector<std::string> args;
    std::string reason;
  } cases[] = {
      {{}, "expected 2 arguments, got 0"},
      {{"crawler.sql"}, "expected 2 arguments, got 1"},
      {{"crawler.sql", "new.pl", "x"}, "expected 2 arguments, got 3"},
      {{"--all-tables", "--encoding", "crawler.sql", "new.pl"}, "--encoding needs an encoding's name"},
      {{"--all-tables", "--encoding=KLINGON", "crawler.sql", "new.pl"}, "unknown encoding KLINGON"},
      {{"--all", "crawler.sql", "new.pl"}, "unknown option --all"},
  };
  for (const auto& c : cases) {
    const Outcome r = convert(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Arg incorrects\n");
    EXPECT_EQ(r.err, "pgdump2pl: " + c.reason + "\nusage: pgdump2pl [OPTION]... DUMP FACTS\n");
    EXPECT_FALSE(fs::exists(dir / "new.pl"));
  }
}

TEST_F(CommandLine, EncodingOptionReadsAScriptThatNamesNone) {
  put(dir / "latin1.sql", "INSERT INTO t VALUES ('\xe9t\xe9');\n");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--all-tables", "--encoding", "latin1"}, {"--encoding=LATIN1", "--all-tables"}}) {
    std::vector<std::string> all = args;
    all.insert(all.end(), {"latin1.sql", "out.pl"});
    const Outcome r = convert(all);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(slurp(dir / "out.pl"),
              "/**\n * Table t\n */\n\n:- discontiguous(t/1).\nt('\xc3\xa9t\xc3\xa9').\n/* (1 entrees) */\n\n\n");
  }
}

// Options only as the sole argument: with two, both are paths.
TEST_F(CommandLine, HelpAndVersionStandAlone) {
  const Outcome help = convert({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("usage: pgdump2pl [OPTION]... DUMP FACTS\n")) << help.out;
  EXPECT_NE(help.out.find("pgdump2pl(1)"), std::string::npos);
  EXPECT_EQ(help.err, "");
  EXPECT_EQ(convert({"-h"}).out, help.out);
  const Outcome version = convert({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out + version.err, "pgdump2pl 1.0.0\n");
  EXPECT_EQ(convert({"--verbose"}).out, "Arg incorrects\n");
  fs::rename(dir / "crawler.sql", dir / "--help");
  EXPECT_EQ(convert({"--help", "--version"}).status, 0);
  EXPECT_EQ(slurp(dir / "--version"), kFacts);
}

// Each failure is told on both outputs and leaves the files it must not
// touch as they were.
TEST_F(CommandLine, FailuresAreToldAndHarmless) {
  const std::string open_dump = "Echec de l'ouverture du fichier crawler_bdd_03.sql\n";
  const std::string open_facts = "Echech de l'ouverture du fichier bd.pl\n";
  const struct {
    std::string dump, facts, message, err;
  } cases[] = {
      {"missing.sql", "facts.pl", open_dump, "missing.sql: No such file or directory"},
      {".", "facts.pl", open_dump, ".: Is a directory"},
      {"crawler.sql", "crawler.sql", open_facts, "crawler.sql: is the dump itself"},
      {"crawler.sql", "link.pl", open_facts, "link.pl: is the dump itself"},
      {"crawler.sql", "sym.pl", open_facts, "sym.pl: is the dump itself"},
      // Every file a directory archive reads is the dump.
      {"d.dir", "d.dir/toc.dat", open_facts, "d.dir/toc.dat: is the dump itself"},
      {"d.dir", "d.dir/3408.dat.gz", open_facts, "d.dir/3408.dat.gz: is the dump itself"},
      {"crawler.sql", "d.pl", open_facts, "d.pl: Is a directory"},
      {"crawler.sql", "no/f.pl", open_facts, "no/f.pl: No such file or directory"},
      // Reading a process's own memory from address 0 fails with EIO.
      {"/proc/self/mem", "new.pl", "Echec de la lecture du fichier crawler_bdd_03.sql\n",
       "/proc/self/mem: Input/output error"},
      {"crawler.sql", "/dev/full", "Echec de l'ecriture du fichier bd.pl\n", "/dev/full: No space left on device"},
  };
  for (const auto& c : cases) {
    const Outcome r = convert({c.dump, c.facts});
    EXPECT_EQ(r.status, 255) << c.err;
    EXPECT_EQ(r.out, c.message) << c.err;
    EXPECT_EQ(r.err, "pgdump2pl: " + c.err + "\n");
    EXPECT_EQ(slurp(dir / "facts.pl"), kPrecious) << c.err;
    EXPECT_EQ(slurp(dir / "crawler.sql"), kDump) << c.err;
  }
  const fs::path fixture = fs::path(PGDUMP2PL_FIXTURES) / "archives" / "crawler.directory";
  for (const char* name : {"toc.dat", "3408.dat.gz"}) EXPECT_EQ(slurp(dir / "d.dir" / name), slurp(fixture / name));
}

// A fact file named as a data file that is not there (3408.dat beside
// 3408.dat.gz) is created, but the data are read from the file that was
// there when the run began.
TEST_F(CommandLine, ADirectoryArchiveReadsTheFilesFoundBeforeTheFactFileIsMade) {
  ASSERT_EQ(convert({"d.dir", "facts.pl"}).status, 0);
  const Outcome r = convert({"d.dir", "d.dir/3408.dat"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(dir / "d.dir" / "3408.dat"), slurp(dir / "facts.pl"));
}

TEST_F(CommandLine, ConvertsSilentlyIntoANewOrReplacedFactFile) {
  const mode_t umask_before = ::umask(022);
  for (const std::string facts : {"facts.pl", "new.pl"}) {
    const Outcome r = convert({"crawler.sql", facts});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(slurp(dir / facts), kFacts);
  }
  ::umask(umask_before);
  struct stat created {};
  ASSERT_EQ(::stat((dir / "new.pl").c_str(), &created), 0);
  EXPECT_EQ(created.st_mode & 0777, 0644u);
}

TEST_F(CommandLine, ReadsAndWritesPipes) {
  EXPECT_EQ(convert({"/dev/stdin", "facts.pl"}, (dir / "crawler.sql").c_str()).status, 0);
  EXPECT_EQ(slurp(dir / "facts.pl"), kFacts);
  const pid_t pid = start({PGDUMP2PL_BINARY, "in.fifo", "out.fifo"});
  put(dir / "in.fifo", kDump);
  EXPECT_EQ(slurp(dir / "out.fifo"), kFacts);
  EXPECT_EQ(finish(pid).status, 0);
}

// Archives and compressed dumps are told by their content, whatever
// their names, and a damaged one fails once its intact facts are out.
TEST_F(CommandLine, ReadsArchivesAndFailsOnDamagedOnes) {
  const fs::path archives = fs::path(PGDUMP2PL_FIXTURES) / "archives";
  ASSERT_EQ(convert({(archives / "crawler.custom.sql").string(), "plain.pl"}).status, 0);
  const std::string plain = slurp(dir / "plain.pl");
  const std::string custom = slurp(archives / "crawler.custom");
  put(dir / "backup.sql", custom);
  put(dir / "cut.dump", custom.substr(0, custom.size() - 800));
  put(dir / "bad.gz", std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03garbage", 18));
  const struct {
    std::string dump, stdin_path;
    int status;
    std::string err;  // the start of standard error
  } cases[] = {
      {"backup.sql", "/dev/null", 0,
       "pgdump2pl: backup.sql: table public.anchors, row 6: warning: table anchors: 2 of 10"},
      {"/dev/stdin", (dir / "backup.sql").string(), 0, "pgdump2pl: /dev/stdin: table public.anchors, row 6: warning"},
      {(archives / "crawler.directory").string(), "/dev/null", 0, "pgdump2pl: "},
      {"cut.dump", "/dev/null", 255, "pgdump2pl: cut.dump: table public.anchors, row 6: warning"},
      {"bad.gz", "/dev/null", 255, "pgdump2pl: bad.gz: gzip data is corrupt at byte 11"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dump);
    const Outcome r = convert({c.dump, "facts.pl"}, c.stdin_path.c_str());
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err.substr(0, c.err.size()), c.err);
    const std::string facts = slurp(dir / "facts.pl");
    if (c.status == 0) {
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(facts, plain);
    } else {
      EXPECT_EQ(r.out, "Echec de la lecture du fichier crawler_bdd_03.sql\n");
      EXPECT_EQ(plain.substr(0, facts.size()), facts);
    }
  }
  const Outcome cut = convert({"cut.dump", "facts.pl"});
  EXPECT_NE(cut.err.find("\npgdump2pl: cut.dump: the custom archive ends inside the data of table public."),
            std::string::npos)
      << cut.err;
  EXPECT_GT(slurp(dir / "facts.pl").size(), plain.size() / 2);
}

// -t and -T choose tables in both modes, by the names PostgreSQL stores.
TEST_F(CommandLine, ConvertsOnlyTheChosenTables) {
  put(dir / "two.sql", "CREATE TABLE public.sites (url text, id bigint);\nCREATE TABLE other.\"Hits\" (n integer);\n" +
                           kDump + "COPY other.\"Hits\" (n) FROM stdin;\n7\n\\.\n");
  const std::string hits =
      "/**\n * Table Hits\n *   1. n integer\n */\n\n:- discontiguous('Hits'/1).\n'Hits'(7).\n/* (1 entrees) */\n\n\n";
  // --all-tables lists the columns and declares each predicate.
  const std::string sites =
      "/**\n * Table sites\n *   1. url text\n *   2. id bigint\n */\n\n:- discontiguous(sites/2).\n" +
      kFacts.substr(kFacts.find("sites("));
  // PostgreSQL stores 63 bytes of a longer name; the default mode's facts keep the name as written.
  const std::string written = "depths_" + std::string(63, 'x'), stored = written.substr(0, 63);
  put(dir / "long.sql", "COPY public." + written + " (x) FROM stdin;\n7\n\\.\n");
  const auto block = [](const std::string& name, const std::string& fact) {
    return "/**\n * Table " + name + "\n */\n\n" + name + "(" + fact + ").\n/* (1 entrees) */\n\n\n";
  };
  const struct {
    std::vector<std::string> options;
    std::string facts;
    std::string dump = "two.sql";
  } cases[] = {
      {{"-t", "SITES"}, kFacts},
      {{"--table=other.*"}, "/**\n * Table Hits\n */\n\n/* (1 entrees) */\n\n\n"},
      {{"--all-tables", "--table=other.*"}, hits},
      {{"--all-tables", "-t", "*", "-T", "\"Hits\""}, sites},
      {{"--all-tables", "-T", "hits"}, sites + hits},
      {{"--all-tables", "-t", "s?tes", "-t", "\"H\"*"}, sites + hits},
      {{"-t", stored}, block(written, "7"), "long.sql"},
      {{"--all-tables", "-t", stored},
       "/**\n * Table " + stored + "\n *   1. x\n */\n\n:- discontiguous(" + stored + "/1).\n" + stored +
           "('7').\n/* (1 entrees) */\n\n\n",
       "long.sql"},
      {{"-t", written}, "", "long.sql"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {c.dump, "facts.pl"});
    const Outcome r = convert(args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(slurp(dir / "facts.pl"), c.facts) << args[1];
  }
}

TEST_F(CommandLine, ReaderOfTheFactsLeavingEndsItAsAFilter) {
  std::string rows;
  for (int i = 0; i < 20000; ++i) rows += "http://a/\t12345\n";
  put(dir / "crawler.sql", kDump + "COPY sites FROM stdin;\n" + rows);
  const pid_t pid = start({PGDUMP2PL_BINARY, "crawler.sql", "out.fifo"});
  ::close(::open((dir / "out.fifo").c_str(), O_RDONLY));
  const Outcome r = finish(pid);
  EXPECT_EQ(r.signal, SIGPIPE);
  EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace pgdump2pl::testing
