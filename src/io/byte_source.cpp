#include "io/byte_source.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace pgdump2pl {

FdSource::FdSource(int fd) : fd_(fd) {
  // A hint only: pipes and devices refuse it, and that is fine.
  (void)posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

ReadResult FdSource::read(char* dest, std::size_t capacity) {
  for (;;) {
    const ssize_t got = ::read(fd_, dest, capacity);
    if (got >= 0) return {static_cast<std::size_t>(got), false};
    if (errno != EINTR) {
      failure_.set(errno);
      return {0, true};
    }
  }
}

}  // namespace pgdump2pl
