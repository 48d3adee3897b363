#pragma once

#include <cstddef>
#include <string_view>

namespace pgdump2pl {

// What a stream holds, told by its first bytes, never by a file name:
// the dump may come through a pipe.
enum class StreamContent {
  plain,           // anything else: the SQL script itself
  gzip,
  zstd,
  lz4,             // the frame format, lz4's default
  lz4_legacy,      // `lz4 -l`
  bzip2,
  xz,
  custom_archive,  // pg_dump -Fc
  tar_archive,     // pg_dump -Ft
};

// The first bytes identify_content looks at: tar's mark lies at 257, and
// the rest of the room lets it look past a leading skippable frame.
inline constexpr std::size_t kContentHeadSize = 512;

// `head` is the stream's first bytes, as many as kContentHeadSize or the
// whole stream when shorter.
StreamContent identify_content(std::string_view head);

// The compression's usual name, for messages; empty for the others.
std::string_view compression_name(StreamContent content);

}  // namespace pgdump2pl
