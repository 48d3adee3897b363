#pragma once

#include <memory>

#include "io/byte_source.h"

namespace pgdump2pl {

// The decoded bytes of a zstd stream: frames one after another decode as
// one, skippable frames as nothing. Built only with libzstd.
std::unique_ptr<ByteSource> make_zstd_source(std::unique_ptr<ByteSource> compressed);

}  // namespace pgdump2pl
