#pragma once

#include <string_view>

#include "archive/archive_input.h"
#include "archive/archive_script.h"

namespace pgdump2pl {

// pg_dump -Fc, read forward in one pass: header, TOC, then the data
// blocks in the order pg_dump wrote them, which is the TOC's. The data
// offsets in the TOC are never used, so a pipe reads as a file does.
// Like pg_restore reading a pipe, it skips the blocks it does not need
// (large objects) and fails on a block stored after one it needs later.
class CustomArchiveSource final : public ArchiveScript {
 public:
  // `already_read`: the archive's first bytes, taken from `archive` by a
  // caller that looked at them to tell the format.
  explicit CustomArchiveSource(ByteSource& archive, std::string_view already_read = {});

 private:
  bool read_header_and_toc() override;
  bool begin_data(const TocEntry& entry, Compression& compression) override;
  ReadResult read_data(char* dest, std::size_t capacity) override;
  bool finish() override;
  // Reads a block's type and id; false at the archive's end (with no
  // failure) or on a failure.
  bool next_block(std::uint8_t& type, int& id, std::string_view what);
  bool skip_block(std::uint8_t type, int id);
  bool skip_chunks(std::string_view what);

  ArchiveInput input_;
  std::size_t chunk_left_ = 0;
  bool data_ended_ = false;
};

}  // namespace pgdump2pl
