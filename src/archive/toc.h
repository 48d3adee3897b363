#pragma once

// An archive's table of contents: what pg_restore prints for each entry,
// and where the entry's data is.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_header.h"

namespace pgdump2pl {

// A million entries are common (a table's schema, data, grants...), so
// an entry is kept small: its short texts share one allocation, and its
// definition, which may be large, is dropped once printed.
class TocEntry {
 public:
  int dump_id = 0;
  bool had_dumper = false;
  bool has_data = false;  // a data block or file is there to read
  std::string defn;       // the statements that create it; empty once printed

  std::string_view tag() const { return text(0); }        // the object's name: "sites", "4242"
  std::string_view desc() const { return text(1); }       // its kind: "TABLE", "TABLE DATA", "BLOBS"
  std::string_view schema() const { return text(2); }     // the namespace, empty for none
  std::string_view copy_stmt() const { return text(3); }  // "COPY public.t (a) FROM stdin;\n", or empty
  std::string_view data_file() const { return text(4); }  // directory and tar formats: "3389.dat"

  // Keeps the texts, in the order of the accessors above.
  void set_texts(const std::string (&texts)[5]);

  // "table public.sites (dumpId 3408)", for failures and warnings.
  std::string describe() const;

 private:
  std::string_view text(std::size_t i) const {
    const std::uint32_t begin = i == 0 ? 0 : ends_[i - 1];
    return {texts_.get() + begin, ends_[i] - begin};
  }

  std::unique_ptr<char[]> texts_;
  std::uint32_t ends_[5] = {};
};

// Reads the entry count and the entries that follow the header.
bool read_toc(ArchiveInput& input, const ArchiveHeader& header, std::vector<TocEntry>& entries, Failure& failure);

}  // namespace pgdump2pl
