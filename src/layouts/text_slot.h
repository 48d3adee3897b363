#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

#include "io/bytes.h"

namespace pgdump2pl {

// A text slot: one word, kept until a later row replaces it, with
// kReadSlack readable bytes after it. Its storage only ever grows, so
// replacing the word costs a copy and no allocation.
class TextSlot {
 public:
  TextSlot() : data_(std::make_unique<char[]>(kInitialCapacity + kReadSlack)), capacity_(kInitialCapacity) {}

  void assign(const char* bytes, std::size_t size) {
    if (size > capacity_) grow(size);
    std::memcpy(data_.get(), bytes, size);
    size_ = size;
  }

  std::string_view view() const { return {data_.get(), size_}; }
  std::size_t size() const { return size_; }

 private:
  static constexpr std::size_t kInitialCapacity = 256;

  // Left uninitialised but for the slack: a huge word touches only the
  // pages it fills.
  void grow(std::size_t size) {
    capacity_ = std::max(size, 2 * capacity_);
    data_ = std::make_unique_for_overwrite<char[]>(capacity_ + kReadSlack);
    std::memset(data_.get() + capacity_, 0, kReadSlack);
  }

  std::unique_ptr<char[]> data_;
  std::size_t capacity_;
  std::size_t size_ = 0;
};

}  // namespace pgdump2pl
