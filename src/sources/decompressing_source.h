#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "io/byte_source.h"

namespace pgdump2pl {

// What one call of a decoder did.
struct DecodeStep {
  std::size_t consumed;  // compressed bytes
  std::size_t produced;  // decoded bytes
  // Between two frames (members, for gzip): nothing decoded is held back,
  // so the stream may end here.
  bool between_frames;
  int error = 0;                 // an errno value when the data does not decode
  const char* reason = nullptr;  // the decoder's words for it
};

// The decoded bytes of a compressed stream: what the decoders share. The
// compressed bytes go through one fixed buffer and the decoded ones
// straight into the reader's, so memory stays the same however long the
// stream, and the stream must end between two frames.
class DecompressingSource : public ByteSource {
 public:
  // Large, because each refill is a call through every source below.
  static constexpr std::size_t kInputSize = std::size_t{256} << 10;

  ReadResult read(char* dest, std::size_t capacity) final;
  const Failure& failure() const final { return failure_; }

 protected:
  // `format` and `frame` name the compression and its unit in messages.
  DecompressingSource(std::unique_ptr<ByteSource> compressed, std::string_view format, std::string_view frame);

  // Decodes from `in` into `out`; `in_size` is 0 when the caller only
  // wants what the decoder holds back.
  virtual DecodeStep decode(const char* in, std::size_t in_size, char* out, std::size_t out_size) = 0;

  // Compressed bytes consumed so far, for saying where the data broke.
  std::uint64_t consumed() const { return in_offset_ + in_pos_; }

  // Once set, fails every read.
  Failure failure_;

 private:
  bool refill();

  std::unique_ptr<ByteSource> compressed_;
  std::string_view format_, frame_;
  std::unique_ptr<char[]> in_;
  std::size_t in_pos_ = 0, in_end_ = 0;
  std::uint64_t in_offset_ = 0;  // of in_[0] in the compressed stream
  bool input_ended_ = false;
  bool between_frames_ = false;  // an empty stream is not a compressed one
  bool output_pending_ = false;  // the last call filled the reader's buffer
};

}  // namespace pgdump2pl
