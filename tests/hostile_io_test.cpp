// What the machine can do to the real binary: pipes at either end, a
// writer that stops mid-line, a disk that fills, a reader that leaves,
// lines longer than any buffer.
#include <fcntl.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <malloc.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// ASan's shadow memory and quarantine are not the converter's memory.
#if defined(__SANITIZE_ADDRESS__)
#define PGDUMP2PL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PGDUMP2PL_ASAN 1
#endif
#endif

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMiB = std::size_t{1} << 20;
const std::string kHeader = "COPY public.sites (url, id) FROM stdin;\n";
const std::string kBanner = "/**\n * Table sites\n */\n\n";
std::string count(int rows) { return "/* (" + std::to_string(rows) + " entrees) */\n\n\n"; }

std::string slurp(const fs::path& path) {
  std::error_code missing;
  std::string bytes(fs::file_size(path, missing), '\0');
  if (missing) return {};
  std::ifstream(path, std::ios::binary).read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

void put(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// Writes `head`, `n` bytes `fill` and `tail` without holding them whole:
// what the test holds when it starts the converter counts in its peak.
void put_long(const fs::path& path, std::string_view head, char fill, std::size_t n, std::string_view tail) {
  std::ofstream out(path, std::ios::binary);
  out << head;
  const std::string chunk(1 << 20, fill);
  for (; n > chunk.size(); n -= chunk.size()) out << chunk;
  out << chunk.substr(0, n) << tail;
}

// The converter's peak memory comes from wait4(), and a process started
// by posix_spawn() (vfork) starts with its parent's peak. Lowers the
// test's own peak to what it holds now; false when the kernel refuses.
bool forget_own_peak() {
  ::malloc_trim(0);
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5" << std::flush;
  return clear.good();
}

std::string read_all(int fd) {
  std::string bytes;
  char buf[65536];
  for (ssize_t got; (got = ::read(fd, buf, sizeof buf)) > 0;) bytes.append(buf, static_cast<std::size_t>(got));
  ::close(fd);
  return bytes;
}

// Writes to a pipe, then waits until the converter has read it all.
void feed(int fd, std::string_view bytes) {
  ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  for (int queued = 1; queued > 0; ::usleep(1000)) ASSERT_EQ(::ioctl(fd, FIONREAD, &queued), 0);
}

struct Outcome {
  int status;  // exit status, or -1 when killed
  int signal;  // the signal that killed it, or 0
  std::string out, err;
  std::size_t peak_rss;  // bytes, 0 when unknown
};

class HostileIo : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::path(::testing::TempDir()) / "pgdump2pl-io-XXXXXX").string();
    dir = mkdtemp(pattern.data());
    dump = dir / "dump.sql";
    facts = dir / "facts.pl";
    ::alarm(30);  // a converter stuck on a pipe fails the test instead of hanging it
  }
  void TearDown() override {
    ::alarm(0);
    fs::remove_all(dir);
  }

  // Starts the binary as a shell would, SIGPIPE at its default action.
  pid_t start(const fs::path& dump_arg, const fs::path& facts_arg) {
    const std::string dump_s = dump_arg.string(), facts_s = facts_arg.string();
    const std::string out = (dir / ".stdout").string(), err = (dir / ".stderr").string();
    char* argv[] = {const_cast<char*>(PGDUMP2PL_BINARY), const_cast<char*>(dump_s.c_str()),
                    const_cast<char*>(facts_s.c_str()), nullptr};
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    peak_known = forget_own_peak();
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, PGDUMP2PL_BINARY, &files, &attr, argv, environ), 0);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&files);
    return pid;
  }

  Outcome finish(pid_t pid) {
    int status = 0;
    struct rusage usage {};
    EXPECT_EQ(::wait4(pid, &status, 0, &usage), pid);
    const std::size_t peak = peak_known ? static_cast<std::size_t>(usage.ru_maxrss) * 1024 : 0;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, WIFSIGNALED(status) ? WTERMSIG(status) : 0,
            slurp(dir / ".stdout"), slurp(dir / ".stderr"), peak};
  }

  Outcome run() { return finish(start(dump, facts)); }

  fs::path dir, dump, facts;
  bool peak_known = false;
};

TEST_F(HostileIo, DumpAndFactFileMayBeNamedPipes) {
  const std::string dump_bytes = "-- x\n" + kHeader + "http://a/\t1\n\\.\n";
  const std::string expected = kBanner + "sites('http://a/',1).\n" + count(1);
  const struct {
    bool dump_is_pipe, facts_is_pipe;
  } cases[] = {{true, false}, {false, true}, {true, true}};
  for (const auto& c : cases) {
    fs::remove(dump);
    fs::remove(facts);
    if (c.dump_is_pipe) {
      ASSERT_EQ(::mkfifo(dump.c_str(), 0600), 0);
    } else {
      put(dump, dump_bytes);
    }
    if (c.facts_is_pipe) {
      ASSERT_EQ(::mkfifo(facts.c_str(), 0600), 0);
    }
    const pid_t pid = start(dump, facts);
    if (c.dump_is_pipe) {  // opening waits for the converter to open it
      const int fd = ::open(dump.c_str(), O_WRONLY);
      ASSERT_GE(fd, 0);
      ASSERT_EQ(::write(fd, dump_bytes.data(), dump_bytes.size()), static_cast<ssize_t>(dump_bytes.size()));
      ::close(fd);
    }
    const std::string converted = c.facts_is_pipe ? read_all(::open(facts.c_str(), O_RDONLY)) : "";
    const Outcome r = finish(pid);
    EXPECT_EQ(r.status, 0) << c.dump_is_pipe << c.facts_is_pipe << r.err;
    EXPECT_EQ(c.facts_is_pipe ? converted : slurp(facts), expected) << c.dump_is_pipe << c.facts_is_pipe;
  }
}

// The writer of the dump stops for good in the middle of a line, after
// the converter has read what came before.
TEST_F(HostileIo, DumpCutWhileBeingReadKeepsWhatCame) {
  const struct {
    std::string_view what;
    std::vector<std::string> pieces;
    std::string expected;
  } cases[] = {
      {"in a row", {kHeader + "http://a/\t1\nhttp://b", "/\t2"},
       kBanner + "sites('http://a/',1).\nsites('http://b/',2).\n" + count(2)},
      {"in the header", {"-- x\nCOPY public.si", "tes (url"}, kBanner + count(0)},
      {"after a line end", {kHeader, "http://a/\t1\n"}, kBanner + "sites('http://a/',1).\n" + count(1)},
  };
  for (const auto& c : cases) {
    fs::remove(dump);
    ASSERT_EQ(::mkfifo(dump.c_str(), 0600), 0);
    const pid_t pid = start(dump, facts);
    const int fd = ::open(dump.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    for (const std::string& piece : c.pieces) feed(fd, piece);
    ::close(fd);
    const Outcome r = finish(pid);
    EXPECT_EQ(r.status, 0) << c.what;
    EXPECT_EQ(slurp(facts), c.expected) << c.what;
  }
}

TEST_F(HostileIo, DiskFillingUpMidConversionIsReported) {
  std::string rows;  // 5 MB of facts: the first write already fails
  for (int i = 0; i < 200000; ++i) rows += "http://a/\t12345\n";
  put(dump, kHeader + rows + "\\.\n");
  facts = "/dev/full";
  const Outcome r = run();
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "Echec de l'ecriture du fichier bd.pl\n");
  EXPECT_EQ(r.err, "pgdump2pl: /dev/full: No space left on device\n");
}

TEST_F(HostileIo, ReaderOfTheFactsLeavingEndsTheConverterAsAFilter) {
  std::string rows;
  for (int i = 0; i < 200000; ++i) rows += "http://a/\t12345\n";
  put(dump, kHeader + rows + "\\.\n");
  ASSERT_EQ(::mkfifo(facts.c_str(), 0600), 0);
  const pid_t pid = start(dump, facts);
  ::close(::open(facts.c_str(), O_RDONLY));
  const Outcome r = finish(pid);
  EXPECT_EQ(r.signal, SIGPIPE);
  EXPECT_EQ(r.out, "");
}

// Memory follows the longest line held, never the size of the dump.
void expect_peak_below([[maybe_unused]] const Outcome& r, [[maybe_unused]] std::size_t bound) {
#ifndef PGDUMP2PL_ASAN
  if (r.peak_rss == 0) std::puts("peak memory unknown: /proc/self/clear_refs refused");
  EXPECT_LT(r.peak_rss, bound) << "peak resident memory";
#endif
}

TEST_F(HostileIo, HugeRowIsOneFactInBoundedMemory) {
  const std::size_t length = 30'000'000;
  put_long(dump, kHeader, 'u', length, "\t9\n\\.\n");
  const Outcome r = run();
  EXPECT_EQ(r.status, 0);
  const std::string got = slurp(facts), head = kBanner + "sites('", tail = "',9).\n" + count(1);
  EXPECT_EQ(got.size(), head.size() + length + tail.size());
  EXPECT_TRUE(got.starts_with(head) && got.ends_with(tail) &&
              got.find_first_not_of('u', head.size()) == head.size() + length);
  expect_peak_below(r, 4 * length + 16 * kMiB);
}

TEST_F(HostileIo, DumpWithoutAnyLineEnd) {
  const struct {
    std::string_view what, head;
    std::size_t filler;
    std::string expected;
  } cases[] = {
      {"30 MB skipped", "", 30'000'000, ""},
      {"a header alone", "COPY public.sites (url, id) FROM stdin;", 0, kBanner + count(0)},
  };
  for (const auto& c : cases) {
    put_long(dump, c.head, 'x', c.filler, "");
    const Outcome r = run();
    EXPECT_EQ(r.status, 0) << c.what;
    EXPECT_TRUE(slurp(facts) == c.expected) << c.what;
    expect_peak_below(r, 16 * kMiB);
  }
}

}  // namespace
