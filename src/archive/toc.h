#pragma once

// An archive's table of contents: what pg_restore prints for each entry,
// and where the entry's data is.

#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive_header.h"

namespace pgdump2pl {

struct TocEntry {
  int dump_id = 0;
  bool had_dumper = false;
  std::string tag;        // the object's name: "sites", "4242"
  std::string desc;       // its kind: "TABLE", "TABLE DATA", "BLOBS"
  std::string defn;       // the statements that create it
  std::string copy_stmt;  // "COPY public.t (a) FROM stdin;\n", or empty
  std::string schema;     // the namespace, empty for none
  std::string data_file;  // directory and tar formats: "3389.dat"
  bool has_data = false;  // a data block or file is there to read

  // "table public.sites (dumpId 3408)", for failures and warnings.
  std::string describe() const;
};

// Reads the entry count and the entries that follow the header.
bool read_toc(ArchiveInput& input, const ArchiveHeader& header, std::vector<TocEntry>& entries, Failure& failure);

}  // namespace pgdump2pl
