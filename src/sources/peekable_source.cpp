#include "sources/peekable_source.h"

#include <algorithm>
#include <cstring>

namespace pgdump2pl {

PeekableSource::PeekableSource(std::unique_ptr<ByteSource> inner) : inner_(std::move(inner)) {}

std::string_view PeekableSource::peek(std::size_t n) {
  n = std::min(n, kMaxPeek);
  while (head_size_ < n && !ended_) {
    const ReadResult got = inner_->read(head_ + head_size_, n - head_size_);
    if (got.size == 0) {
      ended_ = true;
      failed_ = got.failed;
    }
    head_size_ += got.size;
  }
  return {head_, std::min(n, head_size_)};
}

ReadResult PeekableSource::read(char* dest, std::size_t capacity) {
  if (served_ < head_size_) {
    const std::size_t n = std::min(capacity, head_size_ - served_);
    std::memcpy(dest, head_ + served_, n);
    served_ += n;
    return {n, false};
  }
  if (ended_) return {0, failed_};
  return inner_->read(dest, capacity);
}

}  // namespace pgdump2pl
