#include "archive/directory_archive.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
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

namespace {

struct Candidate {
  const char* suffix;
  Compression compression;
};
constexpr Candidate kCandidates[] = {
    {"", Compression::none}, {".gz", Compression::zlib}, {".lz4", Compression::lz4}, {".zst", Compression::zstd}};

// The name comes from the archive: it must not lead out of the directory.
bool stays_inside(std::string_view name) { return name.find('/') == std::string::npos && !name.starts_with("."); }

}  // namespace

bool DirectoryArchiveSource::read_toc_file() {
  const std::string path = directory_ + "toc.dat";
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return failure_.set(errno, "cannot open " + path + ": " + std::strerror(errno));
  struct stat status {};
  if (::fstat(fd, &status) == 0) files_.push_back({status.st_dev, status.st_ino});
  FdSource source(fd);
  ArchiveInput input(source, failure_, "directory archive's toc.dat");
  // pg_dump writes the tar format's code in toc.dat: the directory holds
  // the files a tar archive would.
  const bool read = read_archive_header(input, DumpFormat::tar_archive, header_, failure_) &&
                    read_toc(input, header_, entries_, failure_);
  ::close(fd);
  return read;
}

void DirectoryArchiveSource::find_files() {
  if (toc_read_) return;
  toc_read_ = true;
  toc_ok_ = read_toc_file();
  if (!toc_ok_) return;
  // The first of the names that is there is the one read, as pg_restore
  // tries them.
  suffixes_.assign(entries_.size(), kNoFile);
  std::string path;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const TocEntry& entry = entries_[i];
    if (!entry.has_data || !stays_inside(entry.data_file())) continue;
    for (std::uint8_t k = 0; k < std::size(kCandidates); ++k) {
      path = directory_;
      path += entry.data_file();
      path += kCandidates[k].suffix;
      struct stat status {};
      if (::stat(path.c_str(), &status) == 0) {
        files_.push_back({status.st_dev, status.st_ino});
      } else if (errno == ENOENT) {
        continue;
      }
      suffixes_[i] = k;  // a file that cannot be looked at fails when opened
      break;
    }
  }
}

bool DirectoryArchiveSource::reads_file(const struct stat& file) const {
  return std::any_of(files_.begin(), files_.end(),
                     [&](const FileId& id) { return id.device == file.st_dev && id.inode == file.st_ino; });
}

bool DirectoryArchiveSource::read_header_and_toc() {
  find_files();
  return toc_ok_;
}

bool DirectoryArchiveSource::begin_data(const TocEntry& entry, Compression& compression) {
  close_data();
  if (!stays_inside(entry.data_file())) {
    return failure_.set(EILSEQ, "the directory archive's TOC names the file \"" + std::string(entry.data_file()) +
                                    "\" for " + data_what() + ", outside the archive");
  }
  const auto index = static_cast<std::size_t>(&entry - entries_.data());
  const std::uint8_t suffix = suffixes_[index];
  if (suffix == kNoFile) {
    return failure_.set(EIO,
                        "the directory archive has no file " + std::string(entry.data_file()) + " for " + data_what());
  }
  data_path_ = directory_;
  data_path_ += entry.data_file();
  data_path_ += kCandidates[suffix].suffix;
  data_fd_ = ::open(data_path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (data_fd_ < 0) return failure_.set(errno, "cannot open " + data_path_ + ": " + std::strerror(errno));
  data_.emplace(data_fd_);
  compression = kCandidates[suffix].compression;
  return true;
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
