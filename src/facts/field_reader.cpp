#include "facts/field_reader.h"

#include <array>
#include <limits>

#include "dump/whitespace.h"
#include "facts/swar.h"

namespace pgdump2pl {
namespace {

constexpr unsigned char kNotADigit = 255;
constexpr std::array<unsigned char, 256> kDigitValue = [] {
  std::array<unsigned char, 256> table{};
  table.fill(kNotADigit);
  for (int c = '0'; c <= '9'; ++c) table[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c - '0');
  for (int c = 'a'; c <= 'f'; ++c) table[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c - 'a' + 10);
  for (int c = 'A'; c <= 'F'; ++c) table[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c - 'A' + 10);
  return table;
}();

constexpr std::uint64_t kPowersOf10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

unsigned digit(char c) { return kDigitValue[static_cast<unsigned char>(c)]; }

}  // namespace

IntegerScan read_integer(const char* row, std::int64_t& dest) {
  const char* const start = skip_space(row);
  const char* p = start;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  const char* const digits = p;
  std::uint64_t magnitude = 0;
  unsigned base = 10;
  if (*p >= '1' && *p <= '9') {
    // Most numbers: decimal, read eight digits at a time. Sixteen digits
    // cannot overflow; a longer number goes on digit by digit below.
    for (int block = 0; block < 2; ++block) {
      const std::uint64_t word = swar::load8(p);
      const std::uint64_t others = swar::non_digits(word);
      const unsigned count = others == 0 ? 8 : swar::first_flagged(others);
      if (count == 0) break;
      magnitude = magnitude * kPowersOf10[count] + swar::leading_digits_value(word, count);
      p += count;
      if (count < 8) break;
    }
    if (digit(*p) >= 10) {
      dest = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
      return {p, *start == '+' ? 0 : static_cast<std::uint32_t>(p - start), true};
    }
  } else if (*p == '0') {
    if ((p[1] | 0x20) == 'x') {
      if (digit(p[2]) >= 16) return {p, 0, false};
      base = 16;
      p += 2;
    } else {
      base = 8;
    }
  } else {
    return {p, 0, false};
  }

  // The magnitude is gathered unsigned so that the lowest value, whose
  // magnitude has no positive twin, is exact.
  const std::uint64_t limit = negative ? std::uint64_t{1} << 63
                                       : static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  for (unsigned d; (d = digit(*p)) < base; ++p) {
    std::uint64_t next;
    if (__builtin_mul_overflow(magnitude, base, &next) || __builtin_add_overflow(next, d, &next) || next > limit) {
      next = limit;  // saturated: the remaining digits are consumed
    }
    magnitude = next;
  }
  dest = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  const bool just_zero = start == digits && p == digits + 1 && base == 8;
  return {p, just_zero ? 1u : 0u, true};
}

}  // namespace pgdump2pl
