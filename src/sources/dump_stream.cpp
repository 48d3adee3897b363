#include "sources/dump_stream.h"

#include <cerrno>
#include <string>

#include "sources/gzip_source.h"
#include "sources/peekable_source.h"
#include "sources/stream_content.h"
#ifdef PGDUMP2PL_HAVE_ZSTD
#include "sources/zstd_source.h"
#endif
#ifdef PGDUMP2PL_HAVE_LZ4
#include "sources/lz4_source.h"
#endif

namespace pgdump2pl {

namespace {

// A dump that cannot be read at all, and why.
class UnreadableSource final : public ByteSource {
 public:
  UnreadableSource(int error, std::string reason) : error_(error), reason_(std::move(reason)) {}
  ReadResult read(char*, std::size_t) override { return {0, error_}; }
  std::string_view failure() const override { return reason_; }

 private:
  int error_;
  std::string reason_;
};

std::unique_ptr<ByteSource> unreadable(std::string reason) {
  return std::make_unique<UnreadableSource>(ENOTSUP, std::move(reason));
}

std::string compressed_with(StreamContent content) {
  return "the dump is " + std::string(compression_name(content)) + "-compressed";
}

// A gzip that decodes to itself exists; without a bound it would be
// unwrapped forever.
constexpr int kMaxLayers = 8;

}  // namespace

DumpStream open_dump_stream(std::unique_ptr<ByteSource> raw) {
  std::unique_ptr<ByteSource> layer = std::move(raw);
  for (int depth = 0;; ++depth) {
    auto peekable = std::make_unique<PeekableSource>(std::move(layer));
    const StreamContent content = identify_content(peekable->peek(kContentHeadSize));
    if (content == StreamContent::plain) return {std::move(peekable), DumpFormat::plain, depth > 0};
    if (content == StreamContent::custom_archive) return {std::move(peekable), DumpFormat::custom_archive, depth > 0};
    if (content == StreamContent::tar_archive) return {std::move(peekable), DumpFormat::tar_archive, depth > 0};
    if (depth == kMaxLayers) {
      return {unreadable("the dump is compressed more than " + std::to_string(kMaxLayers) + " times over"),
              DumpFormat::plain};
    }
    switch (content) {
      case StreamContent::gzip:
        layer = make_gzip_source(std::move(peekable));
        break;
      case StreamContent::zstd:
#ifdef PGDUMP2PL_HAVE_ZSTD
        layer = make_zstd_source(std::move(peekable));
#else
        return {unreadable(compressed_with(content) + ", which this build cannot read (built without libzstd)"), DumpFormat::plain};
#endif
        break;
      case StreamContent::lz4:
#ifdef PGDUMP2PL_HAVE_LZ4
        layer = make_lz4_source(std::move(peekable));
#else
        return {unreadable(compressed_with(content) + ", which this build cannot read (built without liblz4)"), DumpFormat::plain};
#endif
        break;
      case StreamContent::lz4_legacy:
        return {unreadable("the dump is compressed in lz4's legacy format (lz4 -l), which pgdump2pl cannot read; "
                           "recompress it with plain lz4"),
                DumpFormat::plain};
      default:
        return {unreadable(compressed_with(content) + ", which pgdump2pl cannot read; decompress it first"), DumpFormat::plain};
    }
  }
}

}  // namespace pgdump2pl
