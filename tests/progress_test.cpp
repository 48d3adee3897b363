// The progress line of a slow conversion on a terminal, and its absence
// with -q and on anything else; warnings print between its redraws.
#include "cli/progress.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <thread>

#include "support/in_memory.h"

namespace pgdump2pl::testing {
namespace {

class SlowSource final : public ByteSource {
 public:
  explicit SlowSource(ByteSource& inner) : inner_(inner) {}
  ReadResult read(char* dest, std::size_t capacity) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return inner_.read(dest, capacity);
  }
  const Failure& failure() const override { return inner_.failure(); }

 private:
  ByteSource& inner_;
};

// Prints each warning above the lines, as the front end does.
struct WarningsAbove final : ConversionListener {
  void block_had_misfits(const BlockMisfits& block) override {
    for (ProgressLine* line : lines) line->print_above(misfit_warning("dump.sql", block));
  }
  void warning(std::uint64_t, std::string_view) override {}
  std::vector<ProgressLine*> lines;
};

std::string drain(int fd) {
  std::string out;
  char buffer[4096];
  ::fcntl(fd, F_SETFL, O_NONBLOCK);
  for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<std::size_t>(got));
  return out;
}

TEST(Progress, ShowsOnATerminalOnlyAndErasesItselfAroundWarnings) {
  std::string rows;
  for (int i = 0; i < 6000; ++i) rows += "http://a.example/\t1\n";
  const std::string block = "COPY sites FROM stdin;\n" + rows + "\\.\n";
  const std::string dump = block + "COPY sites FROM stdin;\nhttp://b/\t\\N\n\\.\n" + block;
  const std::string warning =
      "pgdump2pl: dump.sql:6004: warning: table sites: 1 of 1 rows do not fit its layout "
      "(first: field 2 is NULL)\n";

  // Ours to read, and the conversion's side, which is a terminal or not.
  struct Output {
    int ours = -1, theirs = -1;
  } terminal, quiet_terminal, dumb_terminal, pipe_output, brief_terminal;
  for (Output* t : {&terminal, &quiet_terminal, &dumb_terminal, &brief_terminal}) {
    ASSERT_EQ(::openpty(&t->ours, &t->theirs, nullptr, nullptr, nullptr), 0);
    struct termios raw {};
    ::tcgetattr(t->theirs, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(t->theirs, TCSANOW, &raw);
  }
  int pipe_ends[2];
  ASSERT_EQ(::pipe(pipe_ends), 0);
  pipe_output = {pipe_ends[0], pipe_ends[1]};
  ::setenv("TERM", "xterm", 1);
  {
    // A run shorter than a second shows no line.
    ProgressLine brief(brief_terminal.theirs, dump.size(), true);
    brief.count(dump.size());
    brief.update();
    ProgressLine shown(terminal.theirs, dump.size(), true), quiet(quiet_terminal.theirs, dump.size(), false),
        piped(pipe_output.theirs, dump.size(), true);
    ::setenv("TERM", "dumb", 1);
    ProgressLine dumb(dumb_terminal.theirs, dump.size(), true);
    MemorySource memory(dump);
    SlowSource slow(memory);
    ProgressSource counted_shown(slow, shown), counted_quiet(counted_shown, quiet), counted_dumb(counted_quiet, dumb),
        counted(counted_dumb, piped);
    WarningsAbove warnings;
    warnings.lines = {&shown, &quiet, &dumb, &piped};
    StringSink facts;
    ConversionOptions options;
    options.read_size = 4096;
    ASSERT_EQ(convert(counted, facts, options, warnings).status, ScanStatus::complete);
  }
  std::string outputs[5];
  for (int i = 0; Output * t : {&terminal, &quiet_terminal, &dumb_terminal, &pipe_output, &brief_terminal}) {
    ::close(t->theirs);
    outputs[i++] = drain(t->ours);
    ::close(t->ours);
  }
  const std::string& on_terminal = outputs[0];
  for (int i = 1; i < 4; ++i) EXPECT_EQ(outputs[i], warning) << i;
  EXPECT_EQ(outputs[4], "");

  // Every \r...\x1b[K is a drawing of the line or, empty, its erasing;
  // what stays is the warnings, the quiet line's among them.
  const std::regex drawing(R"(pgdump2pl: \d+\.\d MB read, \d+\.\d MB/s, \d+%(, \d+:\d\d left)?)");
  std::string rest;
  int drawings = 0;
  std::size_t first_warning = std::string::npos, last_drawing = 0;
  for (std::size_t at = 0; at < on_terminal.size();) {
    if (on_terminal[at] != '\r') {
      const std::size_t end = on_terminal.find('\r', at);
      if (first_warning == std::string::npos) first_warning = at;
      rest += on_terminal.substr(at, end - at);
      at = end == std::string::npos ? on_terminal.size() : end;
      continue;
    }
    const std::size_t end = on_terminal.find("\x1b[K", at);
    ASSERT_NE(end, std::string::npos) << on_terminal;
    const std::string line = on_terminal.substr(at + 1, end - at - 1);
    if (!line.empty()) {
      EXPECT_TRUE(std::regex_match(line, drawing)) << line;
      ++drawings;
      last_drawing = at;
    }
    at = end + 3;
  }
  EXPECT_EQ(rest, warning);
  EXPECT_GE(drawings, 3);
  EXPECT_LT(on_terminal.find("MB/s"), first_warning) << "no line drawn before the warning";
  EXPECT_GT(last_drawing, first_warning) << "the line not redrawn after the warning";
  EXPECT_TRUE(on_terminal.ends_with("\r\x1b[K"));
}

TEST(Progress, SaysHowFarAndHowLongLeftInOneLineThatNeverWraps) {
  struct Case {
    std::uint64_t bytes;
    double seconds;
    std::uint64_t total;  // 0: not known
    std::size_t columns;  // 0: not known
    std::string_view text;
  };
  const Case cases[] = {
      {12'345'678, 2, 0, 0, "\rpgdump2pl: 12.3 MB read, 6.2 MB/s\x1b[K"},
      {1'000'000'000, 4, 0, 0, "\rpgdump2pl: 1.00 GB read, 250.0 MB/s\x1b[K"},
      {1'000'000, 1, 100'000'000, 0, "\rpgdump2pl: 1.0 MB read, 1.0 MB/s, 1%, 1:39 left\x1b[K"},
      {1'000'000, 1, 3'600'000'000, 0, "\rpgdump2pl: 1.0 MB read, 1.0 MB/s, 0%, 59:59 left\x1b[K"},
      {1'000'000, 1, 3'601'000'000, 0, "\rpgdump2pl: 1.0 MB read, 1.0 MB/s, 0%, 1:00:00 left\x1b[K"},
      {999'999, 1, 1'000'000, 0, "\rpgdump2pl: 1.0 MB read, 1.0 MB/s, 99%, 0:00 left\x1b[K"},
      // A trickle below a byte a second still gives a time.
      {1, 2, 1'000, 0, "\rpgdump2pl: 0.0 MB read, 0.0 MB/s, 0%, 33:18 left\x1b[K"},
      // No rate yet, and a file that grew while it was read: no time left.
      {500'000, 0, 1'000'000, 0, "\rpgdump2pl: 0.5 MB read, 0.0 MB/s, 50%\x1b[K"},
      {3'000'000, 3, 1'000'000, 0, "\rpgdump2pl: 3.0 MB read, 1.0 MB/s, 100%\x1b[K"},
      {12'345'678, 2, 0, 20, "\rpgdump2pl: 12.3 MB \x1b[K"},
  };
  for (const Case& c : cases) EXPECT_EQ(progress_text(c.bytes, c.seconds, c.total, c.columns), c.text);

  // The total is what reads will give: a file's bytes past its offset;
  // nothing known of a pipe.
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  std::fputs("COPY t", file);
  std::fflush(file);
  ::lseek(::fileno(file), 2, SEEK_SET);
  EXPECT_EQ(regular_file_bytes_left(::fileno(file)), 4u);
  std::fclose(file);
  int pipe_ends[2];
  ASSERT_EQ(::pipe(pipe_ends), 0);
  EXPECT_EQ(regular_file_bytes_left(pipe_ends[0]), 0u);
  ::close(pipe_ends[0]);
  ::close(pipe_ends[1]);
}

}  // namespace
}  // namespace pgdump2pl::testing
