#pragma once

#include <memory>

#include "io/byte_source.h"

namespace pgdump2pl {

// The decoded bytes of a gzip stream; members one after another, as
// `cat a.gz b.gz` makes, decode as one.
std::unique_ptr<ByteSource> make_gzip_source(std::unique_ptr<ByteSource> compressed);

// The same for an archive's data, which a custom archive stores as a zlib
// stream and a directory or tar archive as gzip files: either header.
std::unique_ptr<ByteSource> make_zlib_source(std::unique_ptr<ByteSource> compressed);

}  // namespace pgdump2pl
