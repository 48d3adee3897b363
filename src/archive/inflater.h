#pragma once

// zlib's inflation of an archive's compressed data: the custom format's
// zlib streams and the directory format's gzip files alike.

#include <cstddef>

namespace pgdump2pl {

class Inflater {
 public:
  Inflater();
  ~Inflater();
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  enum class Status { kOk, kStreamEnd, kCorrupt };
  struct Step {
    std::size_t consumed, produced;
    Status status;
  };

  // Begins a new stream (one per data entry).
  void reset();
  // Inflates as much of `in` into `out` as fits. Input past a stream's
  // end starts another stream, as gzip's concatenated members do.
  Step inflate(const char* in, std::size_t in_size, char* out, std::size_t out_size);

 private:
  struct State;
  State* state_;
  bool ended_ = false;
};

}  // namespace pgdump2pl
