#pragma once

#include <memory>
#include <string_view>

#include "io/byte_source.h"
#include "io/failure.h"
#include "sources/compression.h"

namespace pgdump2pl {

// The decoded bytes of `compressed`: `compressed` itself for none. Null
// when this build cannot decode `compression`, with `failure` set to say
// so after `what`, the words that say what is compressed ("the dump is
// zstd-compressed").
std::unique_ptr<ByteSource> make_decoder(Compression compression, std::unique_ptr<ByteSource> compressed,
                                         std::string_view what, Failure& failure);

}  // namespace pgdump2pl
