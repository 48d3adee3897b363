#include "archive/archive_input.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace pgdump2pl {

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
}

ArchiveInput::ArchiveInput(ByteSource& source, Failure& failure, std::string label, std::string_view already_read)
    : source_(source),
      failure_(failure),
      label_(std::move(label)),
      buffer_(std::max(kBufferSize, already_read.size())),
      end_(already_read.size()) {
  if (!already_read.empty()) std::memcpy(buffer_.data(), already_read.data(), already_read.size());
}

bool ArchiveInput::fill() {
  if (begin_ < end_) return true;
  if (source_ended_ || failure_.failed()) return false;
  begin_ = end_ = 0;
  const ReadResult got = source_.read(buffer_.data(), buffer_.size());
  if (got.size > 0) {
    end_ = got.size;
    return true;
  }
  if (got.failed) {
    const Failure& why = source_.failure();
    failure_.set(why.error,
                 why.reason.empty() ? "the " + label_ + " could not be read: " + std::strerror(why.error) : why.reason);
  }
  source_ended_ = true;
  return false;
}

bool ArchiveInput::ended_inside(std::string_view what) {
  return failure_.set(EIO, "the " + label_ + " ends inside " + std::string(what));
}

bool ArchiveInput::at_end() { return !fill(); }

bool ArchiveInput::read_exact(char* dest, std::size_t size, std::string_view what) {
  while (size > 0) {
    if (!fill()) return failure_.failed() ? false : ended_inside(what);
    const std::size_t n = std::min(size, end_ - begin_);
    std::memcpy(dest, buffer_.data() + begin_, n);
    begin_ += n;
    dest += n;
    size -= n;
  }
  return true;
}

bool ArchiveInput::skip(std::uint64_t size, std::string_view what) {
  while (size > 0) {
    if (!fill()) return failure_.failed() ? false : ended_inside(what);
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, end_ - begin_));
    begin_ += n;
    size -= n;
  }
  return true;
}

ReadResult ArchiveInput::read_some(char* dest, std::size_t capacity) {
  if (!fill()) return {0, failure_.failed()};
  const std::size_t n = std::min(capacity, end_ - begin_);
  std::memcpy(dest, buffer_.data() + begin_, n);
  begin_ += n;
  return {n, false};
}

bool ArchiveInput::read_byte(std::uint8_t& value, std::string_view what) {
  char byte;
  if (!read_exact(&byte, 1, what)) return false;
  value = static_cast<std::uint8_t>(byte);
  return true;
}

bool ArchiveInput::read_int(int& value, std::string_view what) {
  // A sign byte, then the magnitude's bytes, least significant first.
  std::uint8_t sign;
  if (!read_byte(sign, what)) return false;
  if (sign > 1)
    return failure_.set(EILSEQ, "the " + label_ + " is corrupt: a bad integer sign in " + std::string(what));
  std::uint64_t magnitude = 0;
  for (std::size_t i = 0; i < int_size_; ++i) {
    std::uint8_t byte;
    if (!read_byte(byte, what)) return false;
    if (i < 8) magnitude |= std::uint64_t{byte} << (8 * i);
    else if (byte != 0) magnitude = std::numeric_limits<std::uint64_t>::max();
  }
  if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) {
    return failure_.set(EILSEQ, "the " + label_ + " is corrupt: an integer out of range in " + std::string(what));
  }
  value = sign != 0 ? -static_cast<int>(magnitude) : static_cast<int>(magnitude);
  return true;
}

bool ArchiveInput::read_offset_flag(std::uint8_t& flag, std::string_view what) {
  return read_byte(flag, what) && skip(offset_size_, what);
}

bool ArchiveInput::read_string(std::string& value, bool& is_null, std::string_view what) {
  value.clear();
  int length;
  if (!read_int(length, what)) return false;
  is_null = length == -1;
  if (is_null) return true;
  if (length < 0) {
    return failure_.set(EILSEQ, "the " + label_ + " is corrupt: a string of negative length in " + std::string(what));
  }
  const auto size = static_cast<std::size_t>(length);
  if (size > kMaxString) {
    return failure_.set(EILSEQ, "the " + label_ + " is corrupt: a string of " + std::to_string(size) + " bytes in " +
                                    std::string(what));
  }
  // Grown as the bytes arrive, so that a length the input cannot back
  // costs nothing.
  while (value.size() < size) {
    if (!fill()) return failure_.failed() ? false : ended_inside(what);
    const std::size_t n = std::min(size - value.size(), end_ - begin_);
    value.append(buffer_.data() + begin_, n);
    begin_ += n;
  }
  return true;
}

}  // namespace pgdump2pl
