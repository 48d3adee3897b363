#include "sources/decoder.h"

#include <cerrno>
#include <string>

#include "sources/gzip_source.h"
#ifdef PGDUMP2PL_HAVE_ZSTD
#include "sources/zstd_source.h"
#endif
#ifdef PGDUMP2PL_HAVE_LZ4
#include "sources/lz4_source.h"
#endif

namespace pgdump2pl {

namespace {

std::unique_ptr<ByteSource> cannot_decode(std::string_view what, std::string_view why, Failure& failure) {
  failure.set(ENOTSUP, std::string(what) + ", which " + std::string(why));
  return nullptr;
}

// zstd and lz4 are optional libraries.
[[maybe_unused]] std::unique_ptr<ByteSource> built_without(Compression compression, std::string_view what,
                                                           Failure& failure) {
  return cannot_decode(
      what, "this build cannot read (built without lib" + std::string(compression_name(compression)) + ")", failure);
}

}  // namespace

std::unique_ptr<ByteSource> make_decoder(Compression compression, std::unique_ptr<ByteSource> compressed,
                                         std::string_view what, Failure& failure) {
  switch (compression) {
    case Compression::none: return compressed;
    case Compression::gzip: return make_gzip_source(std::move(compressed));
    case Compression::zlib: return make_zlib_source(std::move(compressed));
    case Compression::zstd:
#ifdef PGDUMP2PL_HAVE_ZSTD
      return make_zstd_source(std::move(compressed));
#else
      return built_without(compression, what, failure);
#endif
    case Compression::lz4:
#ifdef PGDUMP2PL_HAVE_LZ4
      return make_lz4_source(std::move(compressed));
#else
      return built_without(compression, what, failure);
#endif
    case Compression::lz4_legacy:
      return cannot_decode(what, "pgdump2pl cannot read; recompress it with plain lz4", failure);
    case Compression::bzip2:
    case Compression::xz: break;
  }
  return cannot_decode(what, "pgdump2pl cannot read; decompress it first", failure);
}

}  // namespace pgdump2pl
