#include "sources/zstd_source.h"

#include <zstd.h>
#include <zstd_errors.h>

#include <cerrno>

#include "sources/decompressing_source.h"

namespace pgdump2pl {

namespace {

class ZstdSource final : public DecompressingSource {
 public:
  explicit ZstdSource(std::unique_ptr<ByteSource> compressed)
      : DecompressingSource(std::move(compressed), "zstd", "frame"), context_(ZSTD_createDCtx()) {
    if (context_ == nullptr) failure_.set(ENOMEM, "no memory for the zstd decoder");
  }
  ~ZstdSource() override { ZSTD_freeDCtx(context_); }
  ZstdSource(const ZstdSource&) = delete;
  ZstdSource& operator=(const ZstdSource&) = delete;

 private:
  DecodeStep decode(const char* in, std::size_t in_size, char* out, std::size_t out_size) override {
    ZSTD_inBuffer input{in, in_size, 0};
    ZSTD_outBuffer output{out, out_size, 0};
    const std::size_t hint = ZSTD_decompressStream(context_, &output, &input);
    if (ZSTD_isError(hint)) {
      const bool memory = ZSTD_getErrorCode(hint) == ZSTD_error_memory_allocation;
      return {input.pos, output.pos, false, memory ? ENOMEM : EILSEQ, ZSTD_getErrorName(hint)};
    }
    // 0: the frame is decoded and all of it handed out.
    return {input.pos, output.pos, hint == 0};
  }

  ZSTD_DCtx* context_;
};

}  // namespace

std::unique_ptr<ByteSource> make_zstd_source(std::unique_ptr<ByteSource> compressed) {
  return std::make_unique<ZstdSource>(std::move(compressed));
}

}  // namespace pgdump2pl
