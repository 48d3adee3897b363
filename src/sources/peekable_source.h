#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "io/byte_source.h"

namespace pgdump2pl {

// Lets the first bytes of a stream be looked at before anyone reads it:
// they are served again, then the reads go straight to the inner source.
// A pipe cannot be rewound, so this is the only way to tell a stream by
// its content.
class PeekableSource final : public ByteSource {
 public:
  static constexpr std::size_t kMaxPeek = 512;

  explicit PeekableSource(std::unique_ptr<ByteSource> inner);

  // Up to `n` (at most kMaxPeek) first bytes of the stream, reading until
  // there are that many; fewer only when the stream ends or fails first.
  // Consumes nothing; only before the first read.
  std::string_view peek(std::size_t n);

  ReadResult read(char* dest, std::size_t capacity) override;
  const Failure& failure() const override { return inner_->failure(); }

 private:
  std::unique_ptr<ByteSource> inner_;
  char head_[kMaxPeek];
  std::size_t head_size_ = 0;
  std::size_t served_ = 0;  // of head_, already read back
  bool ended_ = false;      // the inner source ended or failed while peeking
  bool failed_ = false;     // it failed, reported once the head is served
};

}  // namespace pgdump2pl
