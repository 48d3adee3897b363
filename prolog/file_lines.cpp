#include "file_lines.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace pgdump2pl {
namespace {

constexpr std::size_t kReadSize = std::size_t{1} << 20;

}  // namespace

FileLines::~FileLines() { ::close(fd_); }

void FileLines::seek(std::int64_t byte) {
  if (byte >= window_start_ && byte <= window_start_ + static_cast<std::int64_t>(buffer_.size())) {
    cursor_ = static_cast<std::size_t>(byte - window_start_);
    return;
  }
  buffer_.clear();
  cursor_ = 0;
  window_start_ = byte;
  at_end_ = false;
}

bool FileLines::line(std::string_view& out) {
  std::size_t scanned = 0;
  for (;;) {
    const std::string_view rest_now = rest();
    if (const auto newline = rest_now.find('\n', scanned); newline != std::string_view::npos) {
      out = rest_now.substr(0, newline + 1);
      return true;
    }
    scanned = rest_now.size();
    if (at_end_ || scanned > kLongestLine) {
      out = at_end_ ? rest_now : std::string_view{};
      return true;
    }
    if (!fill()) return false;
  }
}

bool FileLines::has_more() {
  while (cursor_ == buffer_.size() && !at_end_) {
    if (!fill()) return false;
  }
  return cursor_ < buffer_.size();
}

bool FileLines::fill() {
  if (cursor_ > 0) {
    buffer_.erase(0, cursor_);
    window_start_ += static_cast<std::int64_t>(cursor_);
    cursor_ = 0;
  }
  const std::size_t had = buffer_.size();
  buffer_.resize(had + kReadSize);
  ssize_t got;
  do {
    got = ::pread(fd_, buffer_.data() + had, kReadSize, static_cast<off_t>(window_start_) + static_cast<off_t>(had));
  } while (got < 0 && errno == EINTR);
  buffer_.resize(had + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
  if (got == 0) at_end_ = true;
  return got >= 0;
}

}  // namespace pgdump2pl
