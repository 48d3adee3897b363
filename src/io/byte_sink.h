#pragma once

#include <cstddef>

namespace pgdump2pl {

// Where the fact file's bytes go. Both calls return 0 or the errno of
// the failure, so the writer can report it.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual int write(const char* data, std::size_t size) = 0;
  virtual int close() { return 0; }
};

// Writes to a file descriptor and owns it.
class FdSink final : public ByteSink {
 public:
  explicit FdSink(int fd) : fd_(fd) {}
  ~FdSink() override;
  FdSink(const FdSink&) = delete;
  FdSink& operator=(const FdSink&) = delete;

  int write(const char* data, std::size_t size) override;
  int close() override;

 private:
  int fd_;
};

}  // namespace pgdump2pl
