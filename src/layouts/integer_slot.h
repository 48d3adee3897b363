#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace pgdump2pl {

// An integer slot keeps its value as a fact writes it: in decimal, no
// leading zeros, a minus sign when negative. Most fields are spelled that
// way already, and are then copied rather than parsed and printed again.
class IntegerSlot {
 public:
  static constexpr std::size_t kMostBytes = 20;  // "-9223372036854775808"
  // The room copy_to() needs: it copies whole eight-byte blocks.
  static constexpr std::size_t kCopySize = 24;

  void assign(std::int64_t value) {
    size_ = static_cast<std::size_t>(std::to_chars(text_, text_ + kMostBytes, value).ptr - text_);
  }
  // `spelled` must be the decimal spelling of a value, at most 17 bytes,
  // with readable bytes up to the next multiple of eight.
  void assign_spelling(const char* spelled, std::size_t size) {
    copy_spelling(text_, spelled, size);
    size_ = size;
  }
  // Copies such a spelling in eight-byte blocks; `dest` needs kCopySize
  // bytes of room.
  static char* copy_spelling(char* dest, const char* spelled, std::size_t size) {
    std::memcpy(dest, spelled, 8);
    if (size > 8) std::memcpy(dest + 8, spelled + 8, 8);
    if (size > 16) dest[16] = spelled[16];
    return dest + size;
  }

  std::string_view text() const { return {text_, size_}; }
  std::size_t size() const { return size_; }
  // Writes the text at `out`, which needs kCopySize bytes of room.
  char* copy_to(char* out) const {
    std::memcpy(out, text_, kCopySize);
    return out + size_;
  }

 private:
  char text_[kCopySize] = {'0'};
  std::size_t size_ = 1;
};

}  // namespace pgdump2pl
