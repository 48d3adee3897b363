#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "io/bytes.h"
#include "io/line_reader.h"

namespace pgdump2pl {

// A text slot: one word, kept until a later row replaces it, with
// kReadSlack readable bytes after it. Its storage only ever grows, so
// replacing the word costs a copy and no allocation.
class TextSlot {
 public:
  TextSlot() : storage_(allocate(kInitialCapacity)), text_(storage_.get()), capacity_(kInitialCapacity) {}

  void assign(const char* bytes, std::size_t size) {
    if (size > capacity_) grow(size);
    std::memcpy(storage_.get(), bytes, size);
    text_ = storage_.get();
    size_ = size;
  }
  // Keeps the word at `bytes`, which lies in `buffer` with kReadSlack
  // readable bytes after it, where it is: a long word is not copied. The
  // buffer becomes the storage of later words.
  void adopt(LineReader::Buffer buffer, const char* bytes, std::size_t size) {
    capacity_ = static_cast<std::size_t>(bytes - buffer.get()) + size;
    storage_ = std::move(buffer);
    text_ = bytes;
    size_ = size;
  }

  std::string_view view() const { return {text_, size_}; }
  std::size_t size() const { return size_; }

 private:
  static constexpr std::size_t kInitialCapacity = 256;

  // Left uninitialised but for the slack: a huge word touches only the
  // pages it fills.
  static LineReader::Buffer allocate(std::size_t capacity) {
    LineReader::Buffer bytes(static_cast<char*>(std::malloc(capacity + kReadSlack)));
    if (bytes == nullptr) throw std::bad_alloc();
    std::memset(bytes.get() + capacity, 0, kReadSlack);
    return bytes;
  }
  void grow(std::size_t size) {
    const std::size_t capacity = std::max(size, 2 * capacity_);
    storage_ = allocate(capacity);
    capacity_ = capacity;
  }

  LineReader::Buffer storage_;
  const char* text_;
  std::size_t capacity_;
  std::size_t size_ = 0;
};

}  // namespace pgdump2pl
