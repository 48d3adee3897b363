#pragma once

#include <cstddef>
#include <string>

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

// Appends to a string held by the caller.
class StringSink final : public ByteSink {
 public:
  explicit StringSink(std::string& out) : out_(out) {}
  int write(const char* data, std::size_t size) override {
    out_.append(data, size);
    return 0;
  }

 private:
  std::string& out_;
};

}  // namespace pgdump2pl
