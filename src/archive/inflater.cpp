#include "archive/inflater.h"

#include <zlib.h>

#include <cstring>
#include <limits>
#include <new>

namespace pgdump2pl {

struct Inflater::State {
  z_stream stream;
  bool initialized;
};

Inflater::Inflater() : state_(new State{}) {
  std::memset(&state_->stream, 0, sizeof state_->stream);
  // 15 + 32: the largest window, and a zlib or a gzip header alike.
  state_->initialized = inflateInit2(&state_->stream, 15 + 32) == Z_OK;
}

Inflater::~Inflater() {
  if (state_->initialized) inflateEnd(&state_->stream);
  delete state_;
}

void Inflater::reset() {
  if (state_->initialized) inflateReset(&state_->stream);
  ended_ = false;
}

Inflater::Step Inflater::inflate(const char* in, std::size_t in_size, char* out, std::size_t out_size) {
  if (!state_->initialized) return {0, 0, Status::kCorrupt};
  if (ended_ && in_size > 0) {
    inflateReset(&state_->stream);
    ended_ = false;
  }
  constexpr std::size_t kMax = std::numeric_limits<uInt>::max();
  z_stream& z = state_->stream;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in));
  z.avail_in = static_cast<uInt>(in_size < kMax ? in_size : kMax);
  z.next_out = reinterpret_cast<Bytef*>(out);
  z.avail_out = static_cast<uInt>(out_size < kMax ? out_size : kMax);
  const uInt in_before = z.avail_in, out_before = z.avail_out;
  const int result = ::inflate(&z, Z_NO_FLUSH);
  const Step step{in_before - z.avail_in, out_before - z.avail_out, Status::kOk};
  if (result == Z_STREAM_END) {
    ended_ = true;
    return {step.consumed, step.produced, Status::kStreamEnd};
  }
  if (result == Z_OK || result == Z_BUF_ERROR) return step;
  return {step.consumed, step.produced, Status::kCorrupt};
}

}  // namespace pgdump2pl
