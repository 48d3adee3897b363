#pragma once

// The whole conversion with no file in between, and the doubles for its
// two ends.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "cli/warning.h"
#include "conversion.h"

namespace pgdump2pl::testing {

// Serves `bytes`, at most `most` a read, then ends, or fails every read
// with `error`.
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes, int error = 0, std::size_t most = SIZE_MAX)
      : rest_(bytes), failure_{error}, most_(most) {}
  ReadResult read(char* dest, std::size_t capacity) override {
    if (rest_.empty()) return {0, failure_.failed()};
    const std::size_t n = std::min({capacity, rest_.size(), most_});
    std::memcpy(dest, rest_.data(), n);
    rest_.remove_prefix(n);
    return {n, false};
  }
  const Failure& failure() const override { return failure_; }
  std::size_t unread() const { return rest_.size(); }

 private:
  std::string_view rest_;
  Failure failure_;
  std::size_t most_;
};

// Keeps what it is given; fails every write or the close when told to,
// as a full disk does.
struct StringSink final : ByteSink {
  explicit StringSink(int write_failure = 0, int close_failure = 0)
      : write_error(write_failure), close_error(close_failure) {}
  int write(const char* data, std::size_t size) override {
    ++writes;
    if (write_error == 0) bytes.append(data, size);
    return write_error;
  }
  int close() override { return close_error; }

  std::string bytes;
  int writes = 0, write_error, close_error;
};

// Keeps the warnings as the front end would print them for "dump.sql".
struct WarningLog final : ConversionListener {
  void block_had_misfits(const BlockMisfits& block) override { text += misfit_warning("dump.sql", block); }
  void warning(std::uint64_t line, std::string_view what) override { text += script_warning("dump.sql", line, what); }
  std::string text;
};

struct Converted {
  std::string facts;
  std::string warnings;
  ConversionOutcome scan;
  int writes;
  std::size_t unread;  // bytes of the dump never read
};

// `size` caps the reads and the output buffer alike: a small one makes
// every line straddle refills and flushes.
inline Converted convert_in_memory(std::string_view dump, std::size_t size = LineReader::kDefaultBlockSize,
                                   int read_error = 0, int write_error = 0, int close_error = 0,
                                   bool all_tables = false, std::string encoding = {},
                                   PredicateOptions predicates = {}) {
  StringSink sink(write_error, close_error);
  MemorySource source(dump, read_error);
  WarningLog warnings;
  const ConversionOptions options{all_tables, std::move(encoding), size, size, nullptr, predicates};
  const ConversionOutcome scan = convert(source, sink, options, warnings);
  return {sink.bytes, warnings.text, scan, sink.writes, source.unread()};
}

inline std::string banner(std::string_view name) { return "/**\n * Table " + std::string(name) + "\n */\n\n"; }
inline std::string count(int rows) { return "/* (" + std::to_string(rows) + " entrees) */\n\n\n"; }

}  // namespace pgdump2pl::testing
