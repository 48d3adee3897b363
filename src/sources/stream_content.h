#pragma once

#include <cstddef>
#include <string_view>

#include "sources/compression.h"
#include "sources/dump_format.h"

namespace pgdump2pl {

// What a stream holds is told by its first bytes, never by a file name:
// the dump may come through a pipe.

// The first bytes the two below look at: tar's mark lies at 257, and the
// rest of the room lets them look past a leading skippable frame.
inline constexpr std::size_t kContentHeadSize = 512;

// `head` is the stream's first bytes, as many as kContentHeadSize or the
// whole stream when shorter. None when they show no compression.
Compression identify_compression(std::string_view head);

// The same of an uncompressed stream: an archive, or else a script.
DumpFormat identify_format(std::string_view head);

}  // namespace pgdump2pl
