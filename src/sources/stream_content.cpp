#include "sources/stream_content.h"

#include <cstdint>

namespace pgdump2pl {

namespace {

bool has_at(std::string_view head, std::size_t at, std::string_view mark) {
  return head.size() >= at + mark.size() && head.substr(at, mark.size()) == mark;
}

std::uint32_t little_endian_32(std::string_view head, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 4; i-- > 0;) value = value << 8 | static_cast<unsigned char>(head[at + i]);
  return value;
}

constexpr std::string_view kZstdMagic{"\x28\xb5\x2f\xfd", 4};
constexpr std::string_view kLz4Magic{"\x04\x22\x4d\x18", 4};

// zstd and lz4 share the skippable frame (magic 0x184D2A50 to 5F, a
// length, and bytes to ignore), so the frame after it tells which.
Compression identify_framed(std::string_view head) {
  std::size_t at = 0;
  while (head.size() >= at + 8 && (little_endian_32(head, at) & 0xFFFFFFF0u) == 0x184D2A50u) {
    at += 8 + std::size_t{little_endian_32(head, at + 4)};
  }
  if (has_at(head, at, kLz4Magic)) return Compression::lz4;
  // zstd is the likelier writer of skippable frames, and its decoder
  // will name whatever does follow them.
  return Compression::zstd;
}

}  // namespace

Compression identify_compression(std::string_view head) {
  if (has_at(head, 0, "\x1f\x8b")) return Compression::gzip;
  if (has_at(head, 0, kZstdMagic)) return Compression::zstd;
  if (has_at(head, 0, kLz4Magic)) return Compression::lz4;
  if (head.size() >= 4 && (little_endian_32(head, 0) & 0xFFFFFFF0u) == 0x184D2A50u) return identify_framed(head);
  if (has_at(head, 0, "\x02\x21\x4c\x18")) return Compression::lz4_legacy;
  // "BZh", the block size, then the first block's mark or the end's.
  if (has_at(head, 0, "BZh") && head.size() >= 10 && head[3] >= '1' && head[3] <= '9' &&
      (has_at(head, 4, "\x31\x41\x59\x26\x53\x59") || has_at(head, 4, "\x17\x72\x45\x38\x50\x90"))) {
    return Compression::bzip2;
  }
  if (has_at(head, 0,
             std::string_view{"\xfd"
                              "7zXZ\0",
                              6}))
    return Compression::xz;
  return Compression::none;
}

DumpFormat identify_format(std::string_view head) {
  if (has_at(head, 0, "PGDMP")) return DumpFormat::custom_archive;
  if (has_at(head, 257, "ustar")) return DumpFormat::tar_archive;
  return DumpFormat::plain;
}

}  // namespace pgdump2pl
