#pragma once

#include <algorithm>
#include <cstring>
#include <string_view>

#include "io/byte_source.h"

namespace pgdump2pl {

// Bytes already in memory, served until they run out; it never fails.
// The bytes must outlive it.
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : rest_(bytes) {}
  ReadResult read(char* dest, std::size_t capacity) override {
    const std::size_t n = std::min(capacity, rest_.size());
    std::memcpy(dest, rest_.data(), n);
    rest_.remove_prefix(n);
    return {n, false};
  }
  const Failure& failure() const override { return none_; }

 private:
  std::string_view rest_;
  Failure none_;
};

}  // namespace pgdump2pl
