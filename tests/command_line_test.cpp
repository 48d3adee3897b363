// The real binary, run as a user runs it: exit status, standard output,
// standard error, and what becomes of the files.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kWrongArguments = "Arg incorrects\n";
constexpr std::string_view kCannotOpenDump = "Echec de l'ouverture du fichier crawler_bdd_03.sql\n";
constexpr std::string_view kCannotOpenFacts = "Echech de l'ouverture du fichier bd.pl\n";
constexpr std::string_view kCannotReadDump = "Echec de la lecture du fichier crawler_bdd_03.sql\n";
constexpr std::string_view kCannotWriteFacts = "Echec de l'ecriture du fichier bd.pl\n";

const std::string kDump = "-- dump\nCOPY public.sites (url, id) FROM stdin;\nhttp://a.example/\t1\n\\.\n";
const std::string kFacts = "/**\n * Table sites\n */\n\nsites('http://a.example/',1).\n/* (1 entrees) */\n\n\n";

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

void put(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

struct Outcome {
  int status;
  std::string out, err;
};

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::path(::testing::TempDir()) / "pgdump2pl-XXXXXX").string();
    dir = mkdtemp(pattern.data());
    dump = dir / "crawler.sql";
    facts = dir / "facts.pl";
    put(dump, kDump);
  }
  void TearDown() override { fs::remove_all(dir); }

  Outcome run(const std::vector<std::string>& args, const char* stdin_path = "/dev/null") {
    std::vector<char*> argv{const_cast<char*>(PGDUMP2PL_BINARY)};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const std::string out = (dir / ".stdout").string(), err = (dir / ".stderr").string();
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, stdin_path, O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    int status = -1;
    if (posix_spawn(&pid, PGDUMP2PL_BINARY, &files, nullptr, argv.data(), environ) == 0) waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&files);
    Outcome result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(out), slurp(err)};
    fs::remove(out);
    fs::remove(err);
    return result;
  }

  fs::path dir, dump, facts;
};

TEST_F(CommandLine, WrongArgumentCountOpensNothing) {
  const std::vector<std::vector<std::string>> cases = {
      {}, {dump}, {dump, facts, facts.string() + "2"}};
  for (const auto& args : cases) {
    const Outcome r = run(args);
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
    const Outcome r = run({c.dump_arg, c.facts_arg});
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
    const Outcome r = run({c.dump_arg, c.facts_arg});
    EXPECT_EQ(r.status, 255) << c.reason;
    EXPECT_EQ(r.out, c.message) << c.reason;
    EXPECT_EQ(r.err, "pgdump2pl: " + c.reason + "\n");
  }
}

TEST_F(CommandLine, ConvertsSilentlyAndReplacesTheFactFile) {
  put(facts, std::string(100000, 'x'));
  const Outcome r = run({dump, facts});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(slurp(facts), kFacts);
}

TEST_F(CommandLine, ReadsTheDumpFromStandardInput) {
  const Outcome r = run({"/dev/stdin", facts}, dump.c_str());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(slurp(facts), kFacts);
}

TEST_F(CommandLine, DumpWithoutDataGivesAnEmptyFactFile) {
  put(dump, "-- nothing but comments\nCREATE TABLE sites (url text);\n");
  const Outcome r = run({dump, facts});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(fs::exists(facts));
  EXPECT_EQ(slurp(facts), "");
}

}  // namespace
