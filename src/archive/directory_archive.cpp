#include "archive/directory_archive.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "archive/archive_input.h"

namespace pgdump2pl {

DirectoryArchiveSource::DirectoryArchiveSource(std::string directory) : directory_(std::move(directory)) {
  if (!directory_.empty() && directory_.back() != '/') directory_ += '/';
}

DirectoryArchiveSource::~DirectoryArchiveSource() { close_data(); }

void DirectoryArchiveSource::close_data() {
  data_.reset();
  if (data_fd_ >= 0) ::close(data_fd_);
  data_fd_ = -1;
}

bool DirectoryArchiveSource::read_header_and_toc() {
  const std::string path = directory_ + "toc.dat";
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return failure_.set(errno, "cannot open " + path + ": " + std::strerror(errno));
  FdSource source(fd);
  ArchiveInput input(source, failure_, "directory archive's toc.dat");
  // pg_dump writes the tar format's code in toc.dat: the directory holds
  // the files a tar archive would.
  const bool read = read_archive_header(input, DumpFormat::tar_archive, header_, failure_) &&
                    read_toc(input, header_, entries_, failure_);
  ::close(fd);
  return read;
}

bool DirectoryArchiveSource::begin_data(const TocEntry& entry, Compression& compression) {
  close_data();
  // The name comes from the archive: it must not lead out of the
  // directory.
  if (entry.data_file.find('/') != std::string::npos || entry.data_file.starts_with(".")) {
    return failure_.set(EILSEQ, "the directory archive's TOC names the file \"" + entry.data_file + "\" for " +
                                    data_what() + ", outside the archive");
  }
  struct Candidate {
    const char* suffix;
    Compression compression;
  };
  static constexpr Candidate kCandidates[] = {
      {"", Compression::none}, {".gz", Compression::zlib}, {".lz4", Compression::lz4}, {".zst", Compression::zstd}};
  for (const Candidate& candidate : kCandidates) {
    data_path_ = directory_ + entry.data_file + candidate.suffix;
    data_fd_ = ::open(data_path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (data_fd_ >= 0) {
      data_.emplace(data_fd_);
      compression = candidate.compression;
      return true;
    }
    if (errno != ENOENT) return failure_.set(errno, "cannot open " + data_path_ + ": " + std::strerror(errno));
  }
  return failure_.set(EIO, "the directory archive has no file " + entry.data_file + " for " + data_what());
}

ReadResult DirectoryArchiveSource::read_data(char* dest, std::size_t capacity) {
  if (!data_) return {0, false};
  const ReadResult got = data_->read(dest, capacity);
  if (got.failed) {
    const int error = data_->failure().error;
    failure_.set(error, "cannot read " + data_path_ + ": " + std::strerror(error));
    return {0, true};
  }
  if (got.size == 0) close_data();
  return got;
}

}  // namespace pgdump2pl
