#include "dump/byte_source.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace pgdump2pl {

FdSource::FdSource(int fd) : fd_(fd) {
  // A hint only: pipes and devices refuse it, and that is fine.
  (void)posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

ReadResult FdSource::read(char* dest, std::size_t capacity) {
  for (;;) {
    const ssize_t got = ::read(fd_, dest, capacity);
    if (got >= 0) return {static_cast<std::size_t>(got), 0};
    if (errno != EINTR) return {0, errno};
  }
}

ReadResult MemorySource::read(char* dest, std::size_t capacity) {
  const std::size_t n = std::min(capacity, rest_.size());
  std::memcpy(dest, rest_.data(), n);
  rest_.remove_prefix(n);
  return {n, 0};
}

}  // namespace pgdump2pl
