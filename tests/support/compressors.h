#pragma once

// The compressions a dump or an archive's data may come in, made with the
// libraries themselves, whole streams at a time.

#include <zlib.h>

#include <string>
#include <string_view>

#ifdef PGDUMP2PL_HAVE_ZSTD
#include <zstd.h>
#endif
#ifdef PGDUMP2PL_HAVE_LZ4
#include <lz4frame.h>
#endif

namespace pgdump2pl::testing {

inline std::string gzip(std::string_view bytes, int level = 6) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, static_cast<uLong>(bytes.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

#ifdef PGDUMP2PL_HAVE_ZSTD
inline std::string zstd(std::string_view bytes) {
  ZSTD_CCtx* context = ZSTD_createCCtx();
  ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
  std::string out(ZSTD_compressBound(bytes.size()), '\0');
  out.resize(ZSTD_compress2(context, out.data(), out.size(), bytes.data(), bytes.size()));
  ZSTD_freeCCtx(context);
  return out;
}
#endif

#ifdef PGDUMP2PL_HAVE_LZ4
inline std::string lz4(std::string_view bytes) {
  LZ4F_preferences_t preferences{};
  preferences.frameInfo.contentChecksumFlag = LZ4F_contentChecksumEnabled;
  std::string out(LZ4F_compressFrameBound(bytes.size(), &preferences), '\0');
  out.resize(LZ4F_compressFrame(out.data(), out.size(), bytes.data(), bytes.size(), &preferences));
  return out;
}
#endif

}  // namespace pgdump2pl::testing
