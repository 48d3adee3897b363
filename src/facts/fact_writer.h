#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "io/byte_sink.h"

namespace pgdump2pl {

// The fact file's one output buffer. Facts are rendered straight into it
// (reserve, write, commit), and it goes to the sink in large writes. The
// first error is kept; later output is dropped, and finish() reports it.
class FactWriter {
 public:
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 20;

  explicit FactWriter(ByteSink& sink, std::size_t capacity = kDefaultCapacity);

  // "/**", " * Table NAME", " * LINE" for each of `lines`, " */" and an
  // empty line; the text is made safe inside the comment.
  void write_banner(std::string_view table_name, std::span<const std::string> lines = {});
  // "/* (N entrees) */" and two empty lines.
  void write_count(std::int64_t rows);

  // At least `n` contiguous writable bytes; hand the end of what was
  // written to commit().
  char* reserve(std::size_t n) {
    if (capacity_ - used_ < n) make_room(n);
    return buf_.get() + used_;
  }
  void commit(char* end) { used_ = static_cast<std::size_t>(end - buf_.get()); }
  void append(std::string_view bytes);
  // `text` as write_quoted() writes it, a piece at a time, so that a text
  // of any length needs no more than a bounded part of the buffer. It
  // must be followed by kReadSlack readable bytes.
  void append_quoted(std::string_view text);

  // The most a long text puts in the buffer at once.
  static constexpr std::size_t kPiece = std::size_t{1} << 16;

  bool ok() const { return error_ == 0; }
  int error() const { return error_; }

  // Flushes and closes the sink. Returns the first error of the whole
  // output, or 0.
  int finish();

 private:
  void flush();
  void make_room(std::size_t n);

  ByteSink& sink_;
  std::unique_ptr<char[]> buf_;
  std::size_t capacity_;
  std::size_t used_ = 0;
  int error_ = 0;
};

}  // namespace pgdump2pl
