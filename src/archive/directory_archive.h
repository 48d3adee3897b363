#pragma once

#include <optional>
#include <string>

#include "archive/archive_script.h"

namespace pgdump2pl {

// pg_dump -Fd: the header and TOC in toc.dat, each table's data in its
// own file, plain or compressed as its name's suffix says.
class DirectoryArchiveSource final : public ArchiveScript {
 public:
  explicit DirectoryArchiveSource(std::string directory);
  ~DirectoryArchiveSource() override;
  DirectoryArchiveSource(const DirectoryArchiveSource&) = delete;
  DirectoryArchiveSource& operator=(const DirectoryArchiveSource&) = delete;

 private:
  bool read_header_and_toc() override;
  bool begin_data(const TocEntry& entry, Compression& compression) override;
  ReadResult read_data(char* dest, std::size_t capacity) override;
  void close_data();

  std::string directory_;
  int data_fd_ = -1;
  std::optional<FdSource> data_;
  std::string data_path_;
};

}  // namespace pgdump2pl
