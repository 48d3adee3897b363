#include "io/line_reader.h"

#include <algorithm>
#include <cstring>

namespace pgdump2pl {

LineReader::LineReader(ByteSource& source, std::size_t block_size)
    : source_(source), block_size_(std::max<std::size_t>(block_size, 1)), capacity_(block_size_ + 1) {
  buf_ = allocate(capacity_);
}

// Left uninitialised but for the slack, so that a small dump touches only
// the pages it fills: each first touch is a page fault.
std::unique_ptr<char[]> LineReader::allocate(std::size_t capacity) {
  auto buffer = std::make_unique_for_overwrite<char[]>(capacity + kReadSlack);
  std::memset(buffer.get() + capacity, 0, kReadSlack);
  return buffer;
}

// Moves the unread bytes to the front, grows the buffer when they fill
// it, and reads one more block. False when nothing more will come.
bool LineReader::fill() {
  if (at_end_) return false;
  if (pos_ > 0) {
    std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  // One byte always stays free past the data: Line's writable scratch.
  if (end_ + 1 >= capacity_) {
    const std::size_t bigger = capacity_ * 2;
    auto grown = allocate(bigger);
    std::memcpy(grown.get(), buf_.get(), end_);
    buf_ = std::move(grown);
    capacity_ = bigger;
  }
  const std::size_t want = std::min(capacity_ - 1 - end_, block_size_);
  const ReadResult got = source_.read(buf_.get() + end_, want);
  if (got.size == 0) {
    at_end_ = true;
    if (got.failed) error_ = source_.failure().error;
    return false;
  }
  end_ += got.size;
  return true;
}

bool LineReader::next_line(Line& line) {
  std::size_t searched = 0;  // bytes after pos_ known to hold no line end
  for (;;) {
    char* from = buf_.get() + pos_ + searched;
    if (auto* nl = static_cast<char*>(std::memchr(from, '\n', end_ - pos_ - searched))) {
      line = {buf_.get() + pos_, static_cast<std::size_t>(nl - (buf_.get() + pos_))};
      pos_ += line.length + 1;
      return true;
    }
    searched = end_ - pos_;
    if (!fill()) break;
  }
  if (error_ != 0 || pos_ == end_) return false;
  line = {buf_.get() + pos_, end_ - pos_};  // last line, no line end
  pos_ = end_;
  return true;
}

bool LineReader::skip_line() {
  for (;;) {
    if (auto* nl = static_cast<char*>(std::memchr(buf_.get() + pos_, '\n', end_ - pos_))) {
      pos_ = static_cast<std::size_t>(nl - buf_.get()) + 1;
      return true;
    }
    pos_ = end_;
    if (!fill()) return false;
  }
}

int LineReader::peek() {
  if (pos_ == end_ && !fill()) return -1;
  return static_cast<unsigned char>(buf_[pos_]);
}

std::string_view LineReader::lookahead(std::size_t n) {
  while (end_ - pos_ < n && fill()) {
  }
  return {buf_.get() + pos_, std::min(n, end_ - pos_)};
}

}  // namespace pgdump2pl
