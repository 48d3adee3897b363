#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "io/byte_source.h"

namespace pgdump2pl {

// One line at the foot of a terminal that says how far the reading of the
// dump has got: bytes read, MB/s, and with the input's size the share
// read and the time left. It appears only once the run has lasted a
// second, is redrawn four times a second, and is erased at the end. On
// anything but a terminal (or TERM=dumb) it writes nothing at all.
class ProgressLine {
 public:
  // `total_bytes` is what there is to read, 0 when not known.
  ProgressLine(int fd, std::uint64_t total_bytes, bool enabled);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // From any thread.
  void count(std::size_t bytes) { bytes_read_.fetch_add(bytes, std::memory_order_relaxed); }
  // Redraws when it is time; only on the thread that prints warnings.
  // Cheap enough for every block read: a clock reading and a compare.
  void update() {
    if (active_) tick();
  }
  // Writes `text`, whole lines, to the line's file, with the line erased
  // before and redrawn after, so that warnings read as without it.
  void print_above(std::string_view text);
  // Erases the line for good; what is printed after stands alone.
  void finish();

 private:
  using Clock = std::chrono::steady_clock;
  void tick();
  void draw(Clock::time_point now);
  void write_all(std::string_view bytes);

  int fd_;
  std::uint64_t total_bytes_;
  std::atomic<std::uint64_t> bytes_read_ = 0;
  std::size_t columns_ = 0;  // the terminal's width, 0 when not known
  bool active_;
  bool shown_ = false;
  Clock::time_point start_;
  Clock::time_point next_draw_;
};

// One drawing of the line, from its start to the end of the terminal's
// line: "\rpgdump2pl: 12.3 MB read, 4.1 MB/s, 12%, 1:02 left\x1b[K", after
// `seconds` with `bytes_read` of `total_bytes` (0 when not known), cut to
// `columns` (0 when not known) so that it never wraps.
std::string progress_text(std::uint64_t bytes_read, double seconds, std::uint64_t total_bytes, std::size_t columns);

// The bytes a read of `fd` will give when it is a regular file (its size
// past the current offset), else 0.
std::uint64_t regular_file_bytes_left(int fd);

// Counts what `inner` gives into `line`, and redraws it. Put the count in
// front of the file itself, beneath any decompression, so that it
// compares with the file's size; when that is read on another thread,
// redraw from the reader's.
class ProgressSource final : public ByteSource {
 public:
  enum class Role { count_and_draw, count, draw };
  ProgressSource(ByteSource& inner, ProgressLine& line, Role role = Role::count_and_draw)
      : inner_(inner), line_(line), role_(role) {}
  ReadResult read(char* dest, std::size_t capacity) override {
    const ReadResult result = inner_.read(dest, capacity);
    if (role_ != Role::draw) line_.count(result.size);
    if (role_ != Role::count) line_.update();
    return result;
  }
  const Failure& failure() const override { return inner_.failure(); }

 private:
  ByteSource& inner_;
  ProgressLine& line_;
  Role role_;
};

}  // namespace pgdump2pl
