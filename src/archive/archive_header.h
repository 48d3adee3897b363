#pragma once

#include "archive/archive_input.h"
#include "io/failure.h"
#include "sources/compression.h"
#include "sources/dump_format.h"

namespace pgdump2pl {

struct ArchiveHeader {
  int minor_version = 0;  // of 1.x
  DumpFormat format = DumpFormat::custom_archive;
  Compression compression = Compression::none;  // of the data
};

// The archive versions read: pg_dump of PostgreSQL 9.5 wrote 1.12; 17
// writes 1.16.
inline constexpr int kOldestMinorVersion = 12;
inline constexpr int kNewestMinorVersion = 16;

// Reads the header from "PGDMP" on and sets `input`'s integer widths;
// false with the failure set when the header is not one of a format
// version read here or its format is not `expected`.
bool read_archive_header(ArchiveInput& input, DumpFormat expected, ArchiveHeader& header, Failure& failure);

}  // namespace pgdump2pl
