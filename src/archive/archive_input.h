#pragma once

// The bytes of an archive as pg_dump encodes its header and TOC: bytes,
// integers of the archive's own width with a sign byte, offsets and
// length-prefixed strings. Every length is checked before anything is
// allocated for it, since the archive may be corrupt or hostile.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "io/byte_source.h"
#include "io/failure.h"

namespace pgdump2pl {

class ArchiveInput {
 public:
  // `label` names the input in failures ("custom archive", "toc.dat");
  // `already_read` is served before `source`, for a caller that looked
  // at the first bytes to tell the format.
  ArchiveInput(ByteSource& source, Failure& failure, std::string label, std::string_view already_read = {});

  // Widths from the archive's header; pg_dump writes 4 and 8.
  void set_widths(std::size_t int_size, std::size_t offset_size) {
    int_size_ = int_size;
    offset_size_ = offset_size;
  }

  // Each returns false once the failure is set; `what` says where the
  // archive ended or broke ("the TOC", "the data of table public.t").
  bool read_byte(std::uint8_t& value, std::string_view what);
  bool read_int(int& value, std::string_view what);
  // A flag (set, not set, no data) and the position, which is dropped:
  // the data is read forward whatever it says.
  bool read_offset_flag(std::uint8_t& flag, std::string_view what);
  // Null strings (length -1) come back empty with `is_null` set.
  bool read_string(std::string& value, bool& is_null, std::string_view what);
  bool read_string(std::string& value, std::string_view what) {
    bool is_null;
    return read_string(value, is_null, what);
  }
  bool read_exact(char* dest, std::size_t size, std::string_view what);
  bool skip(std::uint64_t size, std::string_view what);

  // Up to `capacity` bytes: none, not failed, at the end of the input.
  ReadResult read_some(char* dest, std::size_t capacity);
  // True at the end of the input (false with the failure set on a read
  // error).
  bool at_end();

  // The longest string accepted: PostgreSQL allocates no more for one.
  static constexpr std::size_t kMaxString = std::size_t{1} << 30;

 private:
  bool fill();  // false at the end or on a read error
  bool ended_inside(std::string_view what);

  ByteSource& source_;
  Failure& failure_;
  std::string label_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_;
  bool source_ended_ = false;
  std::size_t int_size_ = 4, offset_size_ = 8;
};

}  // namespace pgdump2pl
