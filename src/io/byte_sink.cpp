#include "io/byte_sink.h"

#include <unistd.h>

#include <cerrno>

namespace pgdump2pl {

FdSink::~FdSink() { (void)close(); }

int FdSink::write(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t put = ::write(fd_, data, size);
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return 0;
}

int FdSink::close() {
  if (fd_ < 0) return 0;
  const int fd = fd_;
  fd_ = -1;
  // Never retried: after EINTR the descriptor is already gone on Linux.
  return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
}

}  // namespace pgdump2pl
