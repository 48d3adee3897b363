#include "sources/dump_stream.h"

#include <cerrno>
#include <string>

#include "sources/decoder.h"
#include "sources/peekable_source.h"
#include "sources/stream_content.h"

namespace pgdump2pl {

namespace {

// A dump that cannot be read at all, and why.
class UnreadableSource final : public ByteSource {
 public:
  explicit UnreadableSource(Failure failure) : failure_(std::move(failure)) {}
  ReadResult read(char*, std::size_t) override { return {0, true}; }
  const Failure& failure() const override { return failure_; }

 private:
  Failure failure_;
};

std::string compressed_with(Compression compression) {
  if (compression == Compression::lz4_legacy) return "the dump is compressed in lz4's legacy format (lz4 -l)";
  return "the dump is " + std::string(compression_name(compression)) + "-compressed";
}

// A gzip that decodes to itself exists; without a bound it would be
// unwrapped forever.
constexpr int kMaxLayers = 8;

}  // namespace

DumpStream open_dump_stream(std::unique_ptr<ByteSource> raw) {
  std::unique_ptr<ByteSource> layer = std::move(raw);
  for (int depth = 0;; ++depth) {
    auto peekable = std::make_unique<PeekableSource>(std::move(layer));
    const std::string_view head = peekable->peek(kContentHeadSize);
    const Compression compression = identify_compression(head);
    if (compression == Compression::none) return {std::move(peekable), identify_format(head), depth > 0};
    Failure failure;
    if (depth == kMaxLayers) {
      failure.set(ENOTSUP, "the dump is compressed more than " + std::to_string(kMaxLayers) + " times over");
    } else {
      layer = make_decoder(compression, std::move(peekable), compressed_with(compression), failure);
    }
    if (failure.failed()) return {std::make_unique<UnreadableSource>(std::move(failure)), DumpFormat::plain};
  }
}

}  // namespace pgdump2pl
