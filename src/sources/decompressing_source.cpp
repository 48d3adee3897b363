#include "sources/decompressing_source.h"

#include <cerrno>
#include <string>

namespace pgdump2pl {

DecompressingSource::DecompressingSource(std::unique_ptr<ByteSource> compressed, std::string_view format,
                                         std::string_view frame)
    : compressed_(std::move(compressed)),
      format_(format),
      frame_(frame),
      in_(std::make_unique_for_overwrite<char[]>(kInputSize)) {}

// False when nothing more will come; failure_ is set if that is a failure.
bool DecompressingSource::refill() {
  if (input_ended_) return false;
  const ReadResult got = compressed_->read(in_.get(), kInputSize);
  in_offset_ += in_end_;
  in_pos_ = 0;
  in_end_ = got.size;
  if (got.size > 0) return true;
  input_ended_ = true;
  if (got.failed) {
    failure_.set(compressed_->failure());
  } else if (in_offset_ == 0) {
    failure_.set(EILSEQ, "the " + std::string(format_) + " stream is empty");
  } else if (!between_frames_) {
    failure_.set(EILSEQ, "the " + std::string(format_) + " stream ends in the middle of a " + std::string(frame_));
  }
  return false;
}

ReadResult DecompressingSource::read(char* dest, std::size_t capacity) {
  if (capacity == 0) return {0, failure_.failed()};
  std::size_t produced = 0;
  while (!failure_.failed()) {
    const bool has_input = in_pos_ < in_end_;
    if (!has_input && !output_pending_) {
      // Hand over what is decoded before waiting on a pipe for more.
      if (produced > 0 || !refill()) break;
      continue;
    }
    const DecodeStep step = decode(in_.get() + in_pos_, in_end_ - in_pos_, dest + produced, capacity - produced);
    in_pos_ += step.consumed;
    produced += step.produced;
    // A call that moved nothing (asking for held-back bytes that were not
    // there) leaves the decoder where it was.
    if (step.consumed != 0 || step.produced != 0) between_frames_ = step.between_frames;
    output_pending_ = produced == capacity;
    if (step.error != 0) {
      failure_.set(step.error, std::string(format_) + " data is corrupt at byte " + std::to_string(consumed()) +
                                   " of the compressed stream (" + (step.reason ? step.reason : "unknown error") + ")");
    } else if (has_input && step.consumed == 0 && step.produced == 0) {
      failure_.set(EIO, "the " + std::string(format_) + " decoder stopped at byte " + std::to_string(consumed()) +
                            " of the compressed stream");
    } else if (output_pending_) {
      break;
    }
  }
  // The bytes decoded before a failure are good; the failure comes next.
  if (produced > 0) return {produced, false};
  return {0, failure_.failed()};
}

}  // namespace pgdump2pl
