#include "sources/read_ahead_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace pgdump2pl {

ReadAheadSource::ReadAheadSource(ByteSource& inner, std::size_t block_size, std::size_t blocks)
    : inner_(inner), block_size_(block_size), blocks_(blocks) {
  for (Block& block : blocks_) block.bytes = std::make_unique<char[]>(block_size_);
  thread_ = std::thread([this] { read_ahead(); });
}

ReadAheadSource::~ReadAheadSource() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void ReadAheadSource::read_ahead() {
  bool ended = false;  // the inner source gave its end or its failure
  bool failed = false;
  for (;;) {
    std::size_t slot;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stopping_ || filled_ - drained_ < blocks_.size(); });
      if (stopping_) return;
      slot = filled_ % blocks_.size();
    }
    // Whole blocks, however little each read gives (an archive's chunks
    // may be a row each), so that the threads meet once a block.
    Block& block = blocks_[slot];
    block.size = 0;
    while (!ended && block.size < block_size_) {
      // An exception would end the process from this thread: running out
      // of memory here (an archive's huge TOC) is a failure like any.
      ReadResult got{0, true};
      try {
        got = inner_.read(block.bytes.get() + block.size, block_size_ - block.size);
      } catch (const std::bad_alloc&) {
        out_of_memory_.set(ENOMEM, "out of memory");
      }
      if (got.size == 0) {
        ended = true;
        failed = got.failed;
      }
      block.size += got.size;
    }
    // The end or the failure is a block of its own, after the bytes.
    const bool last = ended && block.size == 0;
    block.failed = last && failed;
    {
      std::lock_guard lock(mutex_);
      ++filled_;
    }
    changed_.notify_all();
    if (last) return;
  }
}

ReadResult ReadAheadSource::read(char* dest, std::size_t capacity) {
  if (ended_ || capacity == 0) return {0, ended_ && blocks_[drained_ % blocks_.size()].failed};
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return filled_ > drained_; });
  }
  const Block& block = blocks_[drained_ % blocks_.size()];
  if (block.size == 0) {
    ended_ = true;
    return {0, block.failed};
  }
  const std::size_t n = std::min(capacity, block.size - taken_);
  std::memcpy(dest, block.bytes.get() + taken_, n);
  taken_ += n;
  if (taken_ == block.size) {
    taken_ = 0;
    {
      std::lock_guard lock(mutex_);
      ++drained_;
    }
    changed_.notify_all();
  }
  return {n, false};
}

}  // namespace pgdump2pl
