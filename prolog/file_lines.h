#pragma once

// A file read forward from a byte offset a line at a time, through a
// window that grows to hold the longest line asked for.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pgdump2pl {

// A line longer than this is not given whole.
constexpr std::size_t kLongestLine = std::size_t{64} << 20;

class FileLines {
 public:
  // Takes `fd`, an open regular file, and closes it.
  explicit FileLines(int fd) : fd_(fd) {}
  FileLines(const FileLines&) = delete;
  FileLines& operator=(const FileLines&) = delete;
  ~FileLines();

  // Moves to the byte offset `byte` of the file.
  void seek(std::int64_t byte);

  // The rest of the window from the cursor.
  std::string_view rest() const { return {buffer_.data() + cursor_, buffer_.size() - cursor_}; }
  void advance(std::size_t bytes) { cursor_ += bytes; }

  // The line at the cursor up to and with its newline, or to the end of
  // the file; empty at the end or past kLongestLine. False on a read
  // error.
  bool line(std::string_view& out);

  // Makes sure at least one byte is past the cursor unless at the end;
  // false at the end or on a read error.
  bool has_more();

 private:
  bool fill();

  int fd_;
  std::string buffer_;
  std::size_t cursor_ = 0;
  std::int64_t window_start_ = 0;
  bool at_end_ = false;
};

}  // namespace pgdump2pl
