#include "layouts/field_reader.h"

#include <array>
#include <limits>

#include "io/swar.h"

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

unsigned digit(char c) { return kDigitValue[static_cast<unsigned char>(c)]; }

}  // namespace

IntegerScan read_integer(const char* row, IntegerSlot& dest) {
  const char* const start = skip_space_in_row(row);
  const char* p = start;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  if (*start != '+' && *p >= '1' && *p <= '9') {
    // Most numbers are decimal, spelled as a fact writes them: count their
    // digits eight at a time and keep the spelling. Sixteen digits cannot
    // overflow; longer numbers are read digit by digit below.
    const char* const digits = p;
    for (int block = 0; block < 2; ++block) {
      const std::uint64_t others = swar::non_digits(swar::load8(p));
      p += others == 0 ? 8 : swar::first_flagged(others);
      if (others != 0) {
        dest.assign_spelling(start, static_cast<std::size_t>(p - start));
        return {p, true, true};
      }
    }
    p = digits;
  }

  unsigned base = 10;
  if (*p == '0') {
    if ((p[1] | 0x20) == 'x') {
      if (digit(p[2]) >= 16) return {p, false, false};
      base = 16;
      p += 2;
    } else {
      base = 8;
    }
  }
  if (digit(*p) >= base) return {p, false, false};
  // The magnitude is gathered unsigned so that the lowest value, whose
  // magnitude has no positive twin, is exact.
  const std::uint64_t limit =
      negative ? std::uint64_t{1} << 63 : static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  std::uint64_t magnitude = 0;
  for (unsigned d; (d = digit(*p)) < base; ++p) {
    std::uint64_t next;
    if (__builtin_mul_overflow(magnitude, base, &next) || __builtin_add_overflow(next, d, &next) || next > limit) {
      next = limit;  // saturated: the remaining digits are consumed
    }
    magnitude = next;
  }
  dest.assign(negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude));
  return {p, true, false};
}

}  // namespace pgdump2pl
