#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

  // Reads toc.dat and finds each data file it names, before the reading
  // starts, so that the files are known before the fact file is opened:
  // the data are then read from exactly these files. A failure here is
  // the reading's first failure.
  void find_files();
  // Whether `file` is toc.dat or one of the data files found.
  bool reads_file(const struct stat& file) const;

 private:
  struct FileId {
    dev_t device;
    ino_t inode;
  };
  static constexpr std::uint8_t kNoFile = 0xFF;

  bool read_header_and_toc() override;
  bool begin_data(const TocEntry& entry, Compression& compression) override;
  ReadResult read_data(char* dest, std::size_t capacity) override;
  void close_data();
  bool read_toc_file();

  std::string directory_;
  int data_fd_ = -1;
  std::optional<FdSource> data_;
  std::string data_path_;
  bool toc_read_ = false;
  bool toc_ok_ = false;
  std::vector<std::uint8_t> suffixes_;  // by entry: the data file's suffix found, or kNoFile
  std::vector<FileId> files_;           // toc.dat and the data files found
};

}  // namespace pgdump2pl
