#pragma once

#include <memory>

#include "io/byte_source.h"

namespace pgdump2pl {

// The decoded bytes of an lz4 frame stream: frames one after another
// decode as one, skippable frames as nothing. Built only with liblz4.
std::unique_ptr<ByteSource> make_lz4_source(std::unique_ptr<ByteSource> compressed);

}  // namespace pgdump2pl
