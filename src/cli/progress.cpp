#include "cli/progress.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace pgdump2pl {
namespace {

constexpr auto kQuietStart = std::chrono::seconds(1);
constexpr auto kRedrawEvery = std::chrono::milliseconds(250);
constexpr std::string_view kEraseLine = "\r\x1b[K";

bool draws_on(int fd) {
  if (::isatty(fd) == 0) return false;
  const char* term = std::getenv("TERM");
  return term == nullptr || std::strcmp(term, "dumb") != 0;
}

// `12.3 MB` up to a thousand, then `1.23 GB`: a width that hardly moves.
void format_bytes(char* out, std::size_t size, double bytes) {
  if (bytes < 1e9) {
    std::snprintf(out, size, "%.1f MB", bytes / 1e6);
  } else {
    std::snprintf(out, size, "%.2f GB", bytes / 1e9);
  }
}

}  // namespace

ProgressLine::ProgressLine(int fd, std::uint64_t total_bytes, bool enabled)
    : fd_(fd), total_bytes_(total_bytes), active_(enabled && draws_on(fd)), start_(Clock::now()) {
  next_draw_ = start_ + kQuietStart;
  struct winsize size {};
  if (active_ && ::ioctl(fd_, TIOCGWINSZ, &size) == 0) columns_ = size.ws_col;
}

ProgressLine::~ProgressLine() { finish(); }

void ProgressLine::tick() {
  const Clock::time_point now = Clock::now();
  if (now < next_draw_) return;
  draw(now);
}

std::string progress_text(std::uint64_t bytes_read, double seconds, std::uint64_t total_bytes, std::size_t columns) {
  const double bytes = static_cast<double>(bytes_read);
  const double rate = seconds > 0 ? bytes / seconds : 0;
  char read[32];
  format_bytes(read, sizeof read, bytes);
  char share[48] = "";
  if (total_bytes > 0) {
    const double fraction = std::min(bytes / static_cast<double>(total_bytes), 1.0);
    const auto percent = static_cast<int>(100 * fraction);
    const auto left = static_cast<long>(rate > 0 ? (static_cast<double>(total_bytes) - bytes) / rate + 0.5 : 0);
    if (rate <= 0 || left < 0) {
      std::snprintf(share, sizeof share, ", %d%%", percent);
    } else if (left >= 3600) {
      std::snprintf(share, sizeof share, ", %d%%, %ld:%02ld:%02ld left", percent, left / 3600, left / 60 % 60,
                    left % 60);
    } else {
      std::snprintf(share, sizeof share, ", %d%%, %ld:%02ld left", percent, left / 60, left % 60);
    }
  }
  char line[128];
  const int written = std::snprintf(line, sizeof line, "\rpgdump2pl: %s read, %.1f MB/s%s", read, rate / 1e6, share);
  std::size_t length = written > 0 ? std::min(static_cast<std::size_t>(written), sizeof line - 1) : 0;
  // A line that wraps could not be erased by going back to its start;
  // the \r takes no column.
  if (columns > 1 && length > columns) length = columns;
  std::string out(line, length);
  out += "\x1b[K";
  return out;
}

void ProgressLine::draw(Clock::time_point now) {
  next_draw_ = now + kRedrawEvery;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  write_all(progress_text(bytes_read_.load(std::memory_order_relaxed), seconds, total_bytes_, columns_));
  shown_ = true;
}

void ProgressLine::print_above(std::string_view text) {
  if (!shown_) {
    write_all(text);
    return;
  }
  std::string out(kEraseLine);
  out += text;
  write_all(out);
  draw(Clock::now());
}

void ProgressLine::finish() {
  if (shown_) write_all(kEraseLine);
  shown_ = false;
  active_ = false;
}

void ProgressLine::write_all(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      // A terminal that cannot be written to gets no more lines.
      active_ = false;
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

std::uint64_t regular_file_bytes_left(int fd) {
  struct stat file {};
  if (::fstat(fd, &file) != 0 || !S_ISREG(file.st_mode)) return 0;
  const off_t offset = ::lseek(fd, 0, SEEK_CUR);
  const off_t start = offset > 0 ? offset : 0;
  return file.st_size > start ? static_cast<std::uint64_t>(file.st_size - start) : 0;
}

}  // namespace pgdump2pl
