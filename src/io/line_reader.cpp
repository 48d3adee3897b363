#include "io/line_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

namespace pgdump2pl {

void LineReader::Free::operator()(char* p) const { std::free(p); }

// Left uninitialised but for the slack, so that a small dump touches only
// the pages it fills: each first touch is a page fault.
LineReader::LineReader(ByteSource& source, std::size_t block_size)
    : source_(source), block_size_(std::max<std::size_t>(block_size, 1)), capacity_(block_size_ + 1) {
  buf_.reset(static_cast<char*>(std::malloc(capacity_ + kReadSlack)));
  if (buf_ == nullptr) throw std::bad_alloc();
  std::memset(buf_.get() + capacity_, 0, kReadSlack);
}

void LineReader::fail(int errno_value, std::string reason) {
  own_failure_.set(errno_value, std::move(reason));
  if (error_ == 0) error_ = errno_value;
  at_end_ = true;
}

// Half again, with realloc: a large buffer moves by remapping its pages,
// so the line is never held twice while it grows.
bool LineReader::grow() {
  const std::size_t bigger = std::min(capacity_ + capacity_ / 2, kMaxHeld + block_size_ + 1);
  char* grown = static_cast<char*>(std::realloc(buf_.get(), bigger + kReadSlack));
  if (grown == nullptr) {
    fail(ENOMEM, "out of memory for a line of " + std::to_string(end_) + " bytes");
    return false;
  }
  (void)buf_.release();
  buf_.reset(grown);
  std::memset(buf_.get() + bigger, 0, kReadSlack);
  capacity_ = bigger;
  return true;
}

// Only the unread bytes move, at most a block after a line.
LineReader::Buffer LineReader::take_buffer() {
  const std::size_t unread = end_ - pos_;
  const std::size_t capacity = std::max(block_size_ + 1, unread + 1);
  Buffer fresh(static_cast<char*>(std::malloc(capacity + kReadSlack)));
  if (fresh == nullptr) return nullptr;
  std::memcpy(fresh.get(), buf_.get() + pos_, unread);
  std::memset(fresh.get() + capacity, 0, kReadSlack);
  Buffer taken = std::move(buf_);
  buf_ = std::move(fresh);
  capacity_ = capacity;
  end_ = unread;
  pos_ = 0;
  return taken;
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
  // Checked before each read, so that no more than a block past the
  // bound is ever held.
  if (end_ > kMaxHeld) {
    fail(EFBIG, "a line longer than 1 GiB, which PostgreSQL never writes");
    return false;
  }
  // One byte always stays free past the data: Line's writable scratch.
  if (end_ + 1 >= capacity_ && !grow()) return false;
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
