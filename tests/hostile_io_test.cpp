// What the machine can do to the real binary: pipes at either end, a
// writer that stops mid-line, a reader that leaves,
// lines longer than any buffer.
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>
#include <malloc.h>

#include <string>
#include <vector>

#include "support/process.h"

// ASan's shadow memory and quarantine are not the converter's memory.
#if defined(__SANITIZE_ADDRESS__)
#define PGDUMP2PL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PGDUMP2PL_ASAN 1
#endif
#endif

namespace {

using namespace pgdump2pl::testing;

constexpr std::size_t kMiB = std::size_t{1} << 20;
const std::string kHeader = "COPY public.sites (url, id) FROM stdin;\n";
const std::string kBanner = "/**\n * Table sites\n */\n\n";
std::string count(int rows) { return "/* (" + std::to_string(rows) + " entrees) */\n\n\n"; }

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

class HostileIo : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    dump = dir / "dump.sql";
    facts = dir / "facts.pl";
    ::alarm(30);  // a converter stuck on a pipe fails the test instead of hanging it
  }
  void TearDown() override {
    ::alarm(0);
    ScratchTest::TearDown();
  }

  pid_t start(const fs::path& dump_arg, const fs::path& facts_arg) {
    peak_known = forget_own_peak();
    return ScratchTest::start({PGDUMP2PL_BINARY, dump_arg.string(), facts_arg.string()});
  }
  Outcome finish(pid_t pid) {
    Outcome outcome = ScratchTest::finish(pid);
    if (!peak_known) outcome.peak_rss = 0;
    return outcome;
  }
  Outcome run() { return finish(start(dump, facts)); }

  fs::path dump, facts;
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
