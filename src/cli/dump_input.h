#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <string>

#include "archive/archive_script.h"
#include "archive/directory_archive.h"
#include "cli/progress.h"
#include "io/byte_source.h"
#include "io/failure.h"

namespace pgdump2pl {

// The dump as the conversion reads it: the file, pipe or directory at a
// path, with every compression undone and an archive read as the script
// it stands for. What it is comes from its content, never its name.
class DumpInput {
 public:
  DumpInput() = default;
  ~DumpInput();
  DumpInput(const DumpInput&) = delete;
  DumpInput& operator=(const DumpInput&) = delete;

  // Opens `path`, or says why not. A directory opens only when it holds
  // a directory archive's toc.dat.
  Failure open(const char* path);
  // Whether the conversion reads `file`: the dump itself, or for a
  // directory archive its toc.dat or a data file it names. The fact file
  // must be none of them.
  bool reads_file(const struct stat& file) const;
  // The bytes there are to read, 0 when not known (a pipe, a directory).
  std::uint64_t size() const { return size_; }

  // The script, read once. `progress` counts the file's own bytes,
  // beneath any decompression, so that they compare with size().
  // Recognising the format reads the first bytes: call it once, after a
  // successful open().
  ByteSource& script(ProgressLine& progress);

  // Where in the archive a line of the script came from; null for a
  // plain dump.
  const ArchiveScript* archive() const { return archive_; }

 private:
  int fd_ = -1;
  std::string directory_;
  struct stat status_ {};
  std::uint64_t size_ = 0;
  ByteSource& read_ahead(ProgressLine& progress, ProgressSource::Role role);

  // From the file up: each reads the one before.
  std::unique_ptr<ByteSource> file_;
  std::unique_ptr<ByteSource> counted_;
  std::unique_ptr<ByteSource> stream_;  // decompressed
  std::unique_ptr<ByteSource> script_;  // an archive's script
  std::unique_ptr<ByteSource> ahead_;
  std::unique_ptr<ByteSource> top_;
  const ArchiveScript* archive_ = nullptr;
  std::unique_ptr<DirectoryArchiveSource> directory_archive_;  // until script() reads it
};

}  // namespace pgdump2pl
