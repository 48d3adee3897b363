#pragma once

#include <memory>

#include "io/byte_source.h"
#include "sources/dump_format.h"

namespace pgdump2pl {

struct DumpStream {
  // The decoded bytes from their first: the script's or the archive's.
  // A compression that cannot be undone shows as a source whose first
  // read fails, with its failure() saying why.
  std::unique_ptr<ByteSource> source;
  DumpFormat format;  // never directory_archive: a stream is no directory
  // Whether a compression was undone to get it.
  bool decoded = false;
};

// Recognises the dump by its content, never by its name, since it may
// come through a pipe, and stacks a decoder per layer of gzip, zstd or
// lz4 around it, in any order. Reads only the first bytes of each layer
// now; nothing here fails, the reads do.
DumpStream open_dump_stream(std::unique_ptr<ByteSource> raw);

}  // namespace pgdump2pl
