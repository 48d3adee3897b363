#include "dump_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "archive/custom_archive.h"
#include "archive/directory_archive.h"
#include "archive/tar_archive.h"
#include "sources/dump_stream.h"

namespace pgdump2pl {
namespace {

// Lends a source it does not own to a stage that wants to own one.
class LentSource final : public ByteSource {
 public:
  explicit LentSource(ByteSource& inner) : inner_(inner) {}
  ReadResult read(char* dest, std::size_t capacity) override { return inner_.read(dest, capacity); }
  std::string_view failure() const override { return inner_.failure(); }

 private:
  ByteSource& inner_;
};

}  // namespace

DumpInput::~DumpInput() {
  if (fd_ >= 0) ::close(fd_);
}

int DumpInput::open(const char* path) {
  fd_ = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return errno;
  if (::fstat(fd_, &status_) != 0) return errno;
  if (S_ISDIR(status_.st_mode)) {
    // Only pg_dump's directory format opens as a dump.
    const int toc = ::openat(fd_, "toc.dat", O_RDONLY | O_CLOEXEC);
    if (toc < 0) return EISDIR;
    ::close(toc);
    directory_ = path;
    return 0;
  }
  size_ = regular_file_bytes_left(fd_);
  return 0;
}

ByteSource& DumpInput::script(ProgressLine& progress) {
  if (!directory_.empty()) {
    // Its files are many and read on demand: the script is what counts.
    auto archive = std::make_unique<DirectoryArchiveSource>(directory_);
    archive_ = archive.get();
    counted_ = std::move(archive);
    script_ = std::make_unique<ProgressSource>(*counted_, progress);
    return *script_;
  }
  file_ = std::make_unique<FdSource>(fd_);
  counted_ = std::make_unique<ProgressSource>(*file_, progress);
  DumpStream stream = open_dump_stream(std::make_unique<LentSource>(*counted_));
  stream_ = std::move(stream.source);
  switch (stream.format) {
    case DumpFormat::plain:
      return *stream_;
    case DumpFormat::custom_archive: {
      auto archive = std::make_unique<CustomArchiveSource>(*stream_);
      archive_ = archive.get();
      script_ = std::move(archive);
      return *script_;
    }
    case DumpFormat::tar_archive: {
      auto archive = std::make_unique<TarArchiveSource>(*stream_);
      archive_ = archive.get();
      script_ = std::move(archive);
      return *script_;
    }
  }
  return *stream_;
}

std::string DumpInput::failure(int error) const {
  const ByteSource* top = script_ != nullptr ? script_.get() : stream_.get();
  const std::string_view why = top != nullptr ? top->failure() : std::string_view();
  return why.empty() ? std::strerror(error) : std::string(why);
}

}  // namespace pgdump2pl
