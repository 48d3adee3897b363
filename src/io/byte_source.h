#pragma once

#include <cstddef>

#include "io/failure.h"

namespace pgdump2pl {

// What one read gave: `size` bytes, or none at the end of the input, or
// none with `failed` set, when the source's failure() says why.
struct ReadResult {
  std::size_t size;
  bool failed;
};

// Where the dump's bytes come from. One virtual call per block, so the
// indirection costs nothing measurable.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual ReadResult read(char* dest, std::size_t capacity) = 0;
  // Why the read that returned `failed` failed: read only after one has.
  virtual const Failure& failure() const = 0;
};

// Reads a file descriptor it does not own.
class FdSource final : public ByteSource {
 public:
  explicit FdSource(int fd);
  ReadResult read(char* dest, std::size_t capacity) override;
  const Failure& failure() const override { return failure_; }

 private:
  int fd_;
  Failure failure_;
};

}  // namespace pgdump2pl
