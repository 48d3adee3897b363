#pragma once

#include <cstdint>

#include "archive/archive_input.h"

namespace pgdump2pl {

// pg_dump's numbering of its formats and compression methods, as the
// header stores them.
enum class ArchiveFormat : std::uint8_t { kCustom = 1, kTar = 3, kDirectory = 5 };
enum class Compression : std::uint8_t { kNone = 0, kGzip = 1, kLz4 = 2, kZstd = 3 };

struct ArchiveHeader {
  int minor_version = 0;  // of 1.x
  ArchiveFormat format = ArchiveFormat::kCustom;
  Compression compression = Compression::kNone;
};

// The archive versions read: pg_dump of PostgreSQL 9.5 wrote 1.12; 17
// writes 1.16.
inline constexpr int kOldestMinorVersion = 12;
inline constexpr int kNewestMinorVersion = 16;

// Reads the header from "PGDMP" on and sets `input`'s integer widths;
// false with the failure set when the header is not one of a format
// version read here or its format is not `expected`.
bool read_archive_header(ArchiveInput& input, ArchiveFormat expected, ArchiveHeader& header, ArchiveFailure& failure);

const char* compression_name(Compression compression);

}  // namespace pgdump2pl
