#include "sources/gzip_source.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "sources/decompressing_source.h"

namespace pgdump2pl {

namespace {

class GzipSource final : public DecompressingSource {
 public:
  // `header_bits`: 16 for the gzip header only, 32 for zlib's or gzip's;
  // added to the largest window, for any window size.
  GzipSource(std::unique_ptr<ByteSource> compressed, std::string_view format, int header_bits)
      : DecompressingSource(std::move(compressed), format, "member") {
    if (inflateInit2(&stream_, header_bits + MAX_WBITS) != Z_OK) failure_.set(ENOMEM, "no memory for the gzip decoder");
  }
  ~GzipSource() override { inflateEnd(&stream_); }
  GzipSource(const GzipSource&) = delete;
  GzipSource& operator=(const GzipSource&) = delete;

 private:
  DecodeStep decode(const char* in, std::size_t in_size, char* out, std::size_t out_size) override;

  z_stream stream_{};
  bool member_ended_ = false;
  bool padded_ = false;  // zeros followed the last member
};

DecodeStep GzipSource::decode(const char* in, std::size_t in_size, char* out, std::size_t out_size) {
  if (member_ended_) {
    if (in_size == 0) return {0, 0, true};
    // Zero bytes after a member are padding (tar and some tools write
    // them), and gzip ends the stream there: only more of them may follow.
    if (padded_ || in[0] == '\0') {
      padded_ = true;
      const auto* const end = in + in_size;
      const auto* const data = std::find_if(in, end, [](char c) { return c != '\0'; });
      if (data == end) return {in_size, 0, true};
      return {static_cast<std::size_t>(data - in), 0, true, EILSEQ, "bytes other than zeros after the zero padding"};
    }
    // zlib would call what follows a bad header; say what it is.
    if (static_cast<unsigned char>(in[0]) != 0x1f || (in_size > 1 && static_cast<unsigned char>(in[1]) != 0x8b)) {
      return {0, 0, true, EILSEQ, "bytes that are not gzip data after the end of a member"};
    }
    inflateReset(&stream_);
    member_ended_ = false;
  }
  // zlib counts in unsigned int; the caller loops for the rest.
  stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in));
  stream_.avail_in = static_cast<uInt>(std::min<std::size_t>(in_size, UINT_MAX));
  stream_.next_out = reinterpret_cast<Bytef*>(out);
  stream_.avail_out = static_cast<uInt>(std::min<std::size_t>(out_size, UINT_MAX));
  const uInt in_given = stream_.avail_in, out_given = stream_.avail_out;
  const int status = inflate(&stream_, Z_NO_FLUSH);
  DecodeStep step{in_given - stream_.avail_in, out_given - stream_.avail_out, false};
  switch (status) {
    case Z_STREAM_END:
      member_ended_ = true;
      step.between_frames = true;
      break;
    case Z_OK:
    case Z_BUF_ERROR:  // no progress possible for now: not an error in itself
      break;
    case Z_MEM_ERROR:
      step.error = ENOMEM;
      step.reason = "out of memory";
      break;
    default: step.error = EILSEQ; step.reason = stream_.msg != nullptr ? stream_.msg : "not gzip data";
  }
  return step;
}

}  // namespace

std::unique_ptr<ByteSource> make_gzip_source(std::unique_ptr<ByteSource> compressed) {
  return std::make_unique<GzipSource>(std::move(compressed), "gzip", 16);
}

std::unique_ptr<ByteSource> make_zlib_source(std::unique_ptr<ByteSource> compressed) {
  return std::make_unique<GzipSource>(std::move(compressed), "zlib", 32);
}

}  // namespace pgdump2pl
