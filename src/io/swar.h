#pragma once

// Eight bytes at a time in a plain 64-bit word: the hot loops over texts
// and numbers handle the common bytes without a branch per byte, on any
// processor. Words hold bytes in memory order, the first in the lowest
// byte, whatever the machine's byte order.

#include <bit>
#include <cstdint>
#include <cstring>

namespace pgdump2pl::swar {

constexpr std::uint64_t kOnes = 0x0101010101010101;
constexpr std::uint64_t kHighBits = 0x8080808080808080;

inline std::uint64_t load8(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word;
}

inline void store8(char* p, std::uint64_t word) {
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  std::memcpy(p, &word, sizeof word);
}

// The high bit of every byte below `n` (n <= 128). Bytes after the first
// such byte may be flagged falsely, so only the first flag is exact.
constexpr std::uint64_t bytes_below(std::uint64_t word, std::uint8_t n) {
  return (word - kOnes * n) & ~word & kHighBits;
}

// The high bit of every byte equal to `c`; again only the first is exact.
constexpr std::uint64_t bytes_equal(std::uint64_t word, char c) {
  return bytes_below(word ^ (kOnes * static_cast<std::uint8_t>(c)), 1);
}

// The high bit of every byte that is not an ASCII digit, exactly.
constexpr std::uint64_t non_digits(std::uint64_t word) {
  const std::uint64_t values = word ^ (kOnes * '0');  // digits become 0 to 9
  return (((values & ~kHighBits) + kOnes * (0x80 - 10)) | values) & kHighBits;
}

// The index of the first flagged byte (flags != 0).
constexpr unsigned first_flagged(std::uint64_t flags) { return static_cast<unsigned>(std::countr_zero(flags)) / 8; }

}  // namespace pgdump2pl::swar
