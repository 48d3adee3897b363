#include "sources/lz4_source.h"

#include <lz4frame.h>

#include <cerrno>

#include "sources/decompressing_source.h"

namespace pgdump2pl {

namespace {

class Lz4Source final : public DecompressingSource {
 public:
  explicit Lz4Source(std::unique_ptr<ByteSource> compressed)
      : DecompressingSource(std::move(compressed), "lz4", "frame") {
    if (LZ4F_isError(LZ4F_createDecompressionContext(&context_, LZ4F_VERSION))) {
      failure_.set(ENOMEM, "no memory for the lz4 decoder");
    }
  }
  ~Lz4Source() override { LZ4F_freeDecompressionContext(context_); }
  Lz4Source(const Lz4Source&) = delete;
  Lz4Source& operator=(const Lz4Source&) = delete;

 private:
  DecodeStep decode(const char* in, std::size_t in_size, char* out, std::size_t out_size) override {
    std::size_t consumed = in_size, produced = out_size;
    const std::size_t hint = LZ4F_decompress(context_, out, &produced, in, &consumed, nullptr);
    if (LZ4F_isError(hint)) return {consumed, produced, false, EILSEQ, LZ4F_getErrorName(hint)};
    // 0: the frame is decoded and all of it handed out; the context
    // then starts on the next one by itself.
    return {consumed, produced, hint == 0};
  }

  LZ4F_dctx* context_ = nullptr;
};

}  // namespace

std::unique_ptr<ByteSource> make_lz4_source(std::unique_ptr<ByteSource> compressed) {
  return std::make_unique<Lz4Source>(std::move(compressed));
}

}  // namespace pgdump2pl
