#pragma once

#include <memory>

#include "dump/byte_source.h"

namespace pgdump2pl {

// The decoded bytes of a gzip stream; members one after another, as
// `cat a.gz b.gz` makes, decode as one.
std::unique_ptr<ByteSource> make_gzip_source(std::unique_ptr<ByteSource> compressed);

}  // namespace pgdump2pl
