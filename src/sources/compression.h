#pragma once

#include <cstdint>
#include <string_view>

namespace pgdump2pl {

// What a stream's bytes are compressed with, as its first bytes or an
// archive's header and file names tell.
enum class Compression : std::uint8_t {
  none,
  gzip,
  // Deflate with zlib's header or gzip's: what archives store their data
  // in, and the name their failures give it.
  zlib,
  zstd,
  lz4,         // the frame format, lz4's default
  lz4_legacy,  // `lz4 -l`
  bzip2,
  xz,
};

// The compression's usual name, for messages.
constexpr std::string_view compression_name(Compression compression) {
  switch (compression) {
    case Compression::none: return "none";
    case Compression::gzip: return "gzip";
    case Compression::zlib: return "zlib";
    case Compression::zstd: return "zstd";
    case Compression::lz4:
    case Compression::lz4_legacy: return "lz4";
    case Compression::bzip2: return "bzip2";
    case Compression::xz: return "xz";
  }
  return "unknown";
}

}  // namespace pgdump2pl
