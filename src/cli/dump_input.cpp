#include "cli/dump_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "archive/custom_archive.h"
#include "archive/tar_archive.h"
#include "sources/dump_stream.h"
#include "sources/read_ahead_source.h"

namespace pgdump2pl {
namespace {

// Lends a source it does not own to a stage that wants to own one.
class LentSource final : public ByteSource {
 public:
  explicit LentSource(ByteSource& inner) : inner_(inner) {}
  ReadResult read(char* dest, std::size_t capacity) override { return inner_.read(dest, capacity); }
  const Failure& failure() const override { return inner_.failure(); }

 private:
  ByteSource& inner_;
};

}  // namespace

DumpInput::~DumpInput() {
  // The thread reading ahead stops before the file it reads is closed.
  top_.reset();
  ahead_.reset();
  if (fd_ >= 0) ::close(fd_);
}

Failure DumpInput::open(const char* path) {
  fd_ = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return {errno};
  if (::fstat(fd_, &status_) != 0) return {errno};
  if (S_ISDIR(status_.st_mode)) {
    // Only pg_dump's directory format opens as a dump.
    const int toc = ::openat(fd_, "toc.dat", O_RDONLY | O_CLOEXEC);
    if (toc < 0) return {EISDIR};
    ::close(toc);
    directory_ = path;
    directory_archive_ = std::make_unique<DirectoryArchiveSource>(directory_);
    directory_archive_->find_files();
    return {};
  }
  size_ = regular_file_bytes_left(fd_);
  return {};
}

bool DumpInput::reads_file(const struct stat& file) const {
  if (directory_archive_ != nullptr) return directory_archive_->reads_file(file);
  return S_ISREG(status_.st_mode) && status_.st_dev == file.st_dev && status_.st_ino == file.st_ino;
}

ByteSource& DumpInput::script(ProgressLine& progress) {
  if (!directory_.empty()) {
    // Its files are many and opened in turn: the script's bytes count.
    archive_ = directory_archive_.get();
    script_ = std::move(directory_archive_);
    return read_ahead(progress, ProgressSource::Role::count_and_draw);
  }
  file_ = std::make_unique<FdSource>(fd_);
  // The file's bytes are counted beneath every decoder, on whichever
  // thread reads them; the line is drawn from the conversion's.
  counted_ = std::make_unique<ProgressSource>(*file_, progress, ProgressSource::Role::count);
  DumpStream stream = open_dump_stream(std::make_unique<LentSource>(*counted_));
  if (stream.format == DumpFormat::plain && !stream.decoded) {
    stream_ = std::move(stream.source);
    top_ = std::make_unique<ProgressSource>(*stream_, progress, ProgressSource::Role::draw);
    return *top_;
  }
  stream_ = std::move(stream.source);
  std::unique_ptr<ArchiveScript> archive;
  if (stream.format == DumpFormat::custom_archive) archive = std::make_unique<CustomArchiveSource>(*stream_);
  if (stream.format == DumpFormat::tar_archive) archive = std::make_unique<TarArchiveSource>(*stream_);
  archive_ = archive.get();
  if (archive != nullptr) {
    script_ = std::move(archive);
  } else {
    script_ = std::make_unique<LentSource>(*stream_);
  }
  return read_ahead(progress, ProgressSource::Role::draw);
}

// Decoding runs on a thread of its own, beside the conversion.
ByteSource& DumpInput::read_ahead(ProgressLine& progress, ProgressSource::Role role) {
  ahead_ = std::make_unique<ReadAheadSource>(*script_);
  top_ = std::make_unique<ProgressSource>(*ahead_, progress, role);
  return *top_;
}

}  // namespace pgdump2pl
