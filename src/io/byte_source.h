#pragma once

#include <cstddef>
#include <string_view>

namespace pgdump2pl {

// What one read gave: `size` bytes, or none with `error` set (an errno
// value) on failure, or none with no error at the end of the input.
struct ReadResult {
  std::size_t size;
  int error;
};

// Where the dump's bytes come from. One virtual call per block, so the
// indirection costs nothing measurable.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual ReadResult read(char* dest, std::size_t capacity) = 0;
  // After a failed read, what was wrong and where when the errno alone
  // does not say it (a corrupt compressed stream); empty otherwise.
  virtual std::string_view failure() const { return {}; }
};

// Reads a file descriptor it does not own.
class FdSource final : public ByteSource {
 public:
  explicit FdSource(int fd);
  ReadResult read(char* dest, std::size_t capacity) override;

 private:
  int fd_;
};

}  // namespace pgdump2pl
