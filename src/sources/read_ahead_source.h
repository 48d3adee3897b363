#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "io/byte_source.h"

namespace pgdump2pl {

// Reads `inner` on a thread of its own, a few blocks ahead of the reader,
// so that decoding a compressed stream or an archive runs beside the
// conversion instead of before each block of it. Whatever `inner` keeps
// for its own callers must be safe to read while the thread reads on.
class ReadAheadSource final : public ByteSource {
 public:
  explicit ReadAheadSource(ByteSource& inner, std::size_t block_size = std::size_t{1} << 20, std::size_t blocks = 4);
  ~ReadAheadSource() override;
  ReadAheadSource(const ReadAheadSource&) = delete;
  ReadAheadSource& operator=(const ReadAheadSource&) = delete;

  ReadResult read(char* dest, std::size_t capacity) override;
  // Only once a read has returned the failure, when the thread is done.
  const Failure& failure() const override { return out_of_memory_.failed() ? out_of_memory_ : inner_.failure(); }

 private:
  struct Block {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    bool failed = false;
  };
  void read_ahead();

  ByteSource& inner_;
  std::size_t block_size_;
  std::vector<Block> blocks_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t filled_ = 0;   // blocks the thread has filled, in all
  std::size_t drained_ = 0;  // blocks the reader has emptied, in all
  std::size_t taken_ = 0;    // bytes of the reader's current block already given
  bool stopping_ = false;
  bool ended_ = false;     // the reader has seen the end or the failure
  Failure out_of_memory_;  // set by the thread before it gives its failure
  std::thread thread_;
};

}  // namespace pgdump2pl
