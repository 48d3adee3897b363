#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "io/byte_source.h"
#include "io/bytes.h"
#include "io/failure.h"

namespace pgdump2pl {

// Reads the dump in large blocks and hands out whole lines in place, so a
// row is never copied before it is parsed. The buffer grows only when a
// single line does not fit, by half again in place, so memory follows the
// longest line (at most 1.5 times it), never the size of the dump.
class LineReader {
 public:
  static constexpr std::size_t kDefaultBlockSize = std::size_t{1} << 20;
  // PostgreSQL writes no COPY row or statement longer than 1 GiB: a line
  // (or a token) held beyond it is a read error, not a reason to take
  // all the memory there is (a data file that is /dev/zero).
  static constexpr std::size_t kMaxHeld = std::size_t{1} << 30;

  // `block_size` caps every read; tests use a few bytes so that lines
  // straddle refills.
  explicit LineReader(ByteSource& source, std::size_t block_size = kDefaultBlockSize);

  // A line without its line end. text[length] is writable scratch (the
  // line end or a spare byte), so the caller may put a zero there, and
  // kReadSlack readable bytes follow it. Valid until the next call on the
  // reader.
  struct Line {
    char* text;
    std::size_t length;
  };

  // The next line; false at the end of the input or after a read error.
  bool next_line(Line& line);
  // Consumes the rest of the current line without ever holding it
  // whole; false when the input ended before a line end.
  bool skip_line();
  // The next byte, not consumed; -1 at the end or after a read error.
  int peek();
  void advance() { ++pos_; }  // past the byte peek() returned
  // Up to `n` bytes ahead, not consumed; fewer only at the end.
  std::string_view lookahead(std::size_t n);

  // For a scanner that walks the buffer itself: the bytes read and not
  // yet consumed (kReadSlack readable bytes follow them), ...
  std::string_view buffered() const { return {buf_.get() + pos_, end_ - pos_}; }
  // ... consuming the first `n` of them, ...
  void consume(std::size_t n) { pos_ += n; }
  // ... and reading one more block after them, which may move them;
  // false when nothing more will come.
  bool read_more() { return fill(); }

  // The errno of the read that failed, or 0; failure() tells the rest.
  int error() const { return error_; }
  // Why reading stopped: the reader's own failure (a line too long, no
  // memory for it), else the source's.
  const Failure& failure() const { return own_failure_.failed() ? own_failure_ : source_.failure(); }
  // Stops the reading with a failure of the caller's (a statement too
  // long): every later read gives the end, and error() is set.
  void fail(int errno_value, std::string reason);
  // Whether the reader stopped for a failure of its own or its caller's:
  // the bytes still buffered are then the overlong line, not more input.
  bool stopped() const { return own_failure_.failed(); }

  struct Free {
    void operator()(char* p) const;
  };
  using Buffer = std::unique_ptr<char[], Free>;
  // Whether `p` points into the bytes read so far.
  bool holds(const char* p) const { return p >= buf_.get() && p < buf_.get() + end_; }
  // Hands over the buffer, so that a caller keeps a long line where it
  // was read instead of copying it: the lines handed out stay valid
  // there, with their scratch byte and kReadSlack readable bytes, and the
  // reader goes on in a new buffer. nullptr when there is no memory for
  // the new one; nothing changes then.
  Buffer take_buffer();

 private:
  bool fill();
  bool grow();

  ByteSource& source_;
  std::size_t block_size_;
  Buffer buf_;
  std::size_t capacity_;
  std::size_t pos_ = 0;  // next byte to hand out
  std::size_t end_ = 0;  // end of the bytes read so far
  bool at_end_ = false;
  int error_ = 0;
  Failure own_failure_;
};

}  // namespace pgdump2pl
