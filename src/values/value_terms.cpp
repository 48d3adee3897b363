#include "values/value_terms.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <system_error>

#include "io/bytes.h"

namespace pgdump2pl {
namespace {

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_hex_digit(char c) { return is_digit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }
constexpr char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c; }

char* put(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

std::string_view trim_leading_spaces(std::string_view text) {
  while (!text.empty() && is_space(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  return text;
}

std::string_view trim_spaces(std::string_view text) {
  text = trim_leading_spaces(text);
  while (!text.empty() && is_space(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

bool only_spaces(std::string_view text) { return trim_leading_spaces(text).empty(); }

// Whether `text` starts with `word`, in any case (`word` is lower case).
bool starts_with_word(std::string_view text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (lower(text[i]) != word[i]) return false;
  }
  return true;
}

char* write_unsigned(char* out, std::uint64_t value) { return std::to_chars(out, out + 20, value).ptr; }

char* write_signed(char* out, bool negative, std::uint64_t magnitude) {
  if (negative && magnitude != 0) *out++ = '-';
  return write_unsigned(out, magnitude);
}

// The magnitude of `digits` (decimal digits only); false on overflow.
bool read_magnitude(std::string_view digits, std::uint64_t& magnitude) {
  if (digits.empty()) return false;
  magnitude = 0;
  for (const char c : digits) {
    if (!is_digit(c)) return false;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (magnitude > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
  }
  return true;
}

bool take_sign(std::string_view& text) {
  if (text.empty() || (text.front() != '-' && text.front() != '+')) return false;
  const bool negative = text.front() == '-';
  text.remove_prefix(1);
  return negative;
}

// Whether a value of `magnitude` fits an integer of `bytes` bytes.
bool fits_width(bool negative, std::uint64_t magnitude, std::uint8_t bytes) {
  const std::uint64_t largest = (std::uint64_t{1} << (8 * bytes - 1)) - 1;
  return magnitude <= largest + (negative ? 1 : 0);
}

// --- numeric -------------------------------------------------------------

// numeric_in's limits: the exponent it takes, and what its storage holds
// (a weight of 32767 base-10000 digits, a display scale of 16383).
constexpr std::int64_t kMaxExponent = 0x7FFFFFFF / 2 - 1;
constexpr std::int64_t kMaxLeadingPower = 4 * 32768 - 1;
constexpr std::int64_t kMaxDisplayScale = 16383;

enum class Special : std::uint8_t { none, nan, infinity };

// A numeric as its input text gives it: the digits of `whole` then of
// `fraction`, with `point` of them before the decimal point once the
// exponent is applied (it may be negative or beyond the digits).
struct Decimal {
  Special special = Special::none;
  bool negative = false;
  std::string_view whole;
  std::string_view fraction;
  std::int64_t exponent = 0;

  std::int64_t size() const { return static_cast<std::int64_t>(whole.size() + fraction.size()); }
  std::int64_t point() const { return static_cast<std::int64_t>(whole.size()) + exponent; }
  // Digits past either end are zeros.
  int digit(std::int64_t index) const {
    if (index < 0 || index >= size()) return 0;
    const auto i = static_cast<std::size_t>(index);
    return (i < whole.size() ? whole[i] : fraction[i - whole.size()]) - '0';
  }
  std::int64_t first_nonzero() const {
    for (std::int64_t i = 0; i < size(); ++i) {
      if (digit(i) != 0) return i;
    }
    return size();
  }
  std::int64_t display_scale() const {
    const std::int64_t scale = static_cast<std::int64_t>(fraction.size()) - exponent;
    return scale < 0 ? 0 : scale;
  }
};

// numeric_in's syntax. The exponent is read as strtol() reads it, so
// blanks may follow the `e`.
bool parse_decimal(std::string_view text, Decimal& number) {
  text = trim_leading_spaces(text);
  constexpr struct {
    std::string_view word;
    Special special;
    bool negative;
  } kSpecials[] = {{"nan", Special::nan, false},
                   {"infinity", Special::infinity, false},
                   {"+infinity", Special::infinity, false},
                   {"-infinity", Special::infinity, true},
                   {"inf", Special::infinity, false},
                   {"+inf", Special::infinity, false},
                   {"-inf", Special::infinity, true}};
  for (const auto& special : kSpecials) {
    if (starts_with_word(text, special.word)) {
      number.special = special.special;
      number.negative = special.negative;
      return only_spaces(text.substr(special.word.size()));
    }
  }
  number.special = Special::none;
  number.negative = take_sign(text);
  std::size_t i = 0;
  bool seen_point = false;
  if (i < text.size() && text[i] == '.') {
    seen_point = true;
    ++i;
  }
  if (i == text.size() || !is_digit(text[i])) return false;
  std::size_t point_at = seen_point ? 0 : std::string_view::npos;
  for (; i < text.size(); ++i) {
    if (text[i] == '.') {
      if (seen_point) return false;
      seen_point = true;
      point_at = i;
    } else if (!is_digit(text[i])) {
      break;
    }
  }
  const std::string_view mantissa = text.substr(0, i);
  if (point_at == std::string_view::npos) {
    number.whole = mantissa;
    number.fraction = {};
  } else {
    number.whole = mantissa.substr(0, point_at);
    number.fraction = mantissa.substr(point_at + 1);
  }
  number.exponent = 0;
  std::string_view rest = text.substr(i);
  if (!rest.empty() && (rest.front() == 'e' || rest.front() == 'E')) {
    rest = trim_leading_spaces(rest.substr(1));
    const bool negative = take_sign(rest);
    std::size_t length = 0;
    std::int64_t exponent = 0;
    for (; length < rest.size() && is_digit(rest[length]); ++length) {
      if (exponent <= kMaxExponent) exponent = exponent * 10 + (rest[length] - '0');
    }
    if (length == 0 || exponent > kMaxExponent) return false;
    number.exponent = negative ? -exponent : exponent;
    rest.remove_prefix(length);
  }
  return only_spaces(rest);
}

// The value of `number` rounded to `scale` digits after the point, half
// away from zero, as numeric's round_var() does it.
struct Rounding {
  std::int64_t cut;            // digits before this index are kept
  bool up;                     // and then 1 is added at the last of them
  bool carry_out;              // which carries into a new leading digit
  bool zero;                   // the rounded value is 0
  std::int64_t leading_power;  // of ten, of the rounded value's first digit
};

Rounding round_decimal(const Decimal& number, std::int64_t scale) {
  Rounding result{};
  result.cut = number.point() + scale;
  const std::int64_t first = number.first_nonzero();
  const bool kept_nonzero = first < result.cut && first < number.size();
  result.up = number.digit(result.cut) >= 5;
  result.zero = !kept_nonzero && !result.up;
  // Rounding up needs a digit at the cut, so the kept ones are all there.
  bool all_nines = result.up;
  for (std::int64_t i = first; all_nines && i < result.cut; ++i) all_nines = number.digit(i) == 9;
  result.carry_out = result.up && (!kept_nonzero || all_nines);
  if (!result.carry_out) {
    result.leading_power = number.point() - 1 - first;
  } else {
    result.leading_power = kept_nonzero ? number.point() - first : -scale;
  }
  return result;
}

// Where a numeric's text starts and how long it is at most: digits from
// `first` (an index into the number's digits) up to the point, then
// `scale` digits after it, with room for a sign and a carry.
struct DecimalLayout {
  std::int64_t first;
  std::int64_t scale;
  std::int64_t length;
};

DecimalLayout layout_of(const Decimal& number, const Rounding& rounding, std::int64_t scale) {
  const std::int64_t point = number.point();
  const std::int64_t first = rounding.zero ? point : std::min(number.first_nonzero(), point);
  return {first, scale, 2 + (point - first) + (scale > 0 ? 1 + scale : 0)};
}

// Writes `number`, cut and rounded as `rounding` says, as PostgreSQL
// prints it: no exponent, `layout.scale` digits after the point. A
// negative `typmod_scale` rounds to tens, hundreds, ...
char* write_decimal_digits(const Decimal& number, const Rounding& rounding, const DecimalLayout& layout,
                           std::int64_t typmod_scale, char* out) {
  char* const start = out;
  if (number.negative) *out++ = '-';
  char* const carry_slot = out;
  *out++ = '0';
  const std::int64_t point = number.point();
  const auto digit_char = [&](std::int64_t i) {
    return static_cast<char>('0' + (i < rounding.cut ? number.digit(i) : 0));
  };
  for (std::int64_t i = layout.first; i < point; ++i) *out++ = digit_char(i);
  if (layout.scale > 0) {
    *out++ = '.';
    for (std::int64_t i = point; i < point + layout.scale; ++i) *out++ = digit_char(i);
  }
  if (rounding.up) {
    char* p = out - 1 - (typmod_scale < 0 ? -typmod_scale : 0);
    for (;; --p) {
      if (*p == '.') continue;
      if (*p != '9') break;
      *p = '0';
    }
    ++*p;
  }
  // The carry slot, unless used, and zeros before the units digit go.
  char* digits = carry_slot;
  while (digits[0] == '0' && digits + 1 < out && digits[1] != '.') ++digits;
  const bool zero = rounding.zero && !rounding.up;
  char* o = start;
  if (number.negative && !zero) *o++ = '-';
  const auto length = static_cast<std::size_t>(out - digits);
  std::memmove(o, digits, length);
  return o + length;
}

char* write_numeric(const ColumnType& type, std::string_view text, char* out) {
  Decimal number;
  if (!parse_decimal(text, number)) return nullptr;
  const bool constrained = type.precision > 0;
  switch (number.special) {
    case Special::nan: return put(out, "1.5NaN");
    case Special::infinity:
      if (constrained) return nullptr;
      return put(out, number.negative ? "-1.0Inf" : "1.0Inf");
    case Special::none: break;
  }
  std::int64_t scale = number.display_scale();
  Rounding rounding{number.size(), false, false, false, 0};
  if (constrained) {
    rounding = round_decimal(number, type.scale);
    if (!rounding.zero && rounding.leading_power + 1 > type.precision - type.scale) return nullptr;
    scale = std::max<std::int64_t>(type.scale, 0);
  } else {
    rounding.zero = number.first_nonzero() == number.size();
    rounding.leading_power = number.point() - 1 - number.first_nonzero();
    if (scale > kMaxDisplayScale || (!rounding.zero && rounding.leading_power > kMaxLeadingPower)) return nullptr;
  }
  // What an exponent makes too long to write stays the caller's text.
  const DecimalLayout layout = layout_of(number, rounding, scale);
  if (layout.length > static_cast<std::int64_t>(value_term_bound(text.size()))) return nullptr;
  char* const end = write_decimal_digits(number, rounding, layout, constrained ? type.scale : 0, out);
  if (scale == 0) return end;
  // A Prolog float is a double: a value beyond its range, or so small it
  // would read as 0, cannot be written as one.
  double value = 0;
  const char* from = *out == '-' ? out + 1 : out;
  return std::from_chars(from, end, value).ec == std::errc() ? end : nullptr;
}

// --- integers ------------------------------------------------------------

// An SQL number constant cast to an integer: rounded half away from zero.
bool round_to_integer(std::string_view text, bool& negative, std::uint64_t& magnitude) {
  Decimal number;
  if (!parse_decimal(text, number) || number.special != Special::none) return false;
  const Rounding rounding = round_decimal(number, 0);
  negative = number.negative;
  magnitude = 0;
  if (rounding.zero) return true;
  if (rounding.leading_power > 19) return false;
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  for (std::int64_t i = number.first_nonzero(); i < rounding.cut; ++i) {
    const auto digit = static_cast<std::uint64_t>(number.digit(i));
    if (magnitude > (kMax - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
  }
  // Rounding 2^64 - 1 up wraps to 0: too large for any integer column.
  return !rounding.up || ++magnitude != 0;
}

// oidin reads with strtoul() and keeps what matches the 32-bit result
// once widened either as unsigned or as signed: -1 is 4294967295.
char* write_oid(std::string_view text, bool numeric_literal, char* out) {
  std::string_view digits = numeric_literal ? trim_spaces(text) : trim_leading_spaces(text);
  const bool negative = take_sign(digits);
  if (!numeric_literal) {
    std::size_t length = 0;
    while (length < digits.size() && is_digit(digits[length])) ++length;
    if (!only_spaces(digits.substr(length))) return nullptr;
    digits = digits.substr(0, length);
  }
  std::uint64_t magnitude = 0;
  if (!read_magnitude(digits, magnitude)) return nullptr;
  constexpr std::uint64_t kOidMax = 0xFFFFFFFF;
  if (numeric_literal) {
    // The constant is an int4 or int8 first: int4 wraps, int8 must fit.
    if (negative ? magnitude > 0x80000000 : magnitude > kOidMax) return nullptr;
    return write_unsigned(out, negative ? (kOidMax + 1 - magnitude) & kOidMax : magnitude);
  }
  const std::uint64_t value = negative ? 0 - magnitude : magnitude;
  if (value > kOidMax && value < 0xFFFFFFFF80000000) return nullptr;
  return write_unsigned(out, value & kOidMax);
}

char* write_integer(const ColumnType& type, std::string_view text, char* out, bool numeric_literal) {
  if (type.integer_bytes == 0) return write_oid(text, numeric_literal, out);
  bool negative = false;
  std::uint64_t magnitude = 0;
  if (numeric_literal) {
    if (!round_to_integer(text, negative, magnitude)) return nullptr;
  } else {
    std::string_view digits = trim_spaces(text);
    negative = take_sign(digits);
    if (!read_magnitude(digits, magnitude)) return nullptr;
  }
  if (!fits_width(negative, magnitude, type.integer_bytes)) return nullptr;
  return write_signed(out, negative, magnitude);
}

// --- floats --------------------------------------------------------------

// The end of the float strtod() reads at the start of `text` (after any
// sign), or 0 when it reads none or only the 0 of a "0x", which its x
// follows.
std::size_t float_syntax_length(std::string_view text, bool& hex) {
  hex = false;
  if (starts_with_word(text, "infinity")) return 8;
  if (starts_with_word(text, "inf")) return 3;
  if (starts_with_word(text, "nan")) {
    std::size_t i = 3;
    if (i < text.size() && text[i] == '(') {
      std::size_t j = i + 1;
      while (j < text.size() &&
             (is_digit(text[j]) || (lower(text[j]) >= 'a' && lower(text[j]) <= 'z') || text[j] == '_')) {
        ++j;
      }
      if (j < text.size() && text[j] == ')') i = j + 1;
    }
    return i;
  }
  std::size_t i = 0;
  hex = text.starts_with("0x") || text.starts_with("0X");
  if (hex) i = 2;
  const auto is_mantissa_digit = [hex](char c) { return hex ? is_hex_digit(c) : is_digit(c); };
  std::size_t digits = 0;
  while (i < text.size() && is_mantissa_digit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && is_mantissa_digit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < text.size() && lower(text[i]) == (hex ? 'p' : 'e')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && is_digit(text[j])) {
      while (j < text.size() && is_digit(text[j])) ++j;
      i = j;
    }
  }
  return i;
}

// Writes `text` (to_chars()' shortest form) in Prolog's float syntax,
// which needs digits on both sides of a point before any exponent.
char* write_prolog_float(char* out, const char* text, const char* text_end) {
  const char* exponent = text;
  while (exponent < text_end && *exponent != 'e') ++exponent;
  const bool has_point = std::memchr(text, '.', static_cast<std::size_t>(exponent - text)) != nullptr;
  out = put(out, {text, static_cast<std::size_t>(exponent - text)});
  if (!has_point) out = put(out, ".0");
  return put(out, {exponent, static_cast<std::size_t>(text_end - exponent)});
}

// Whether the decimal `text` lies exactly halfway between `value` and a
// neighbour. A long double holds any such midpoint exactly.
template <typename Float>
bool halfway_to_neighbour(Float value, char* text, char* text_end) {
  *text_end = '\0';
  const long double decimal = std::strtold(text, nullptr);
  if (decimal == static_cast<long double>(value)) return false;
  const Float neighbour = std::nextafter(
      value, decimal > value ? std::numeric_limits<Float>::infinity() : -std::numeric_limits<Float>::infinity());
  return decimal == (static_cast<long double>(value) + static_cast<long double>(neighbour)) / 2;
}

// PostgreSQL's shortest output never takes a decimal that lies exactly
// halfway to the next value, which to_chars() takes when the value's
// mantissa is even: then the shortest decimal strictly closer is needed,
// or SWI-Prolog would read PostgreSQL's text as another double.
template <typename Float>
char* write_float_value(Float value, char* out) {
  if (value != value) return put(out, "1.5NaN");
  if (value == std::numeric_limits<Float>::infinity()) return put(out, "1.0Inf");
  if (value == -std::numeric_limits<Float>::infinity()) return put(out, "-1.0Inf");
  char shortest[64];
  std::to_chars_result written = std::to_chars(shortest, shortest + sizeof shortest - 1, value);
  // Below 2^20 for a real and 2^49 for a double, a midpoint has more
  // digits after its point than a shortest decimal can have.
  const Float smallest_possible = std::numeric_limits<Float>::digits == 24 ? Float(1 << 20) : Float(1LL << 49);
  if (std::fabs(value) >= smallest_possible && halfway_to_neighbour(value, shortest, written.ptr)) {
    for (int precision = 1; precision < std::numeric_limits<Float>::max_digits10; ++precision) {
      written =
          std::to_chars(shortest, shortest + sizeof shortest - 1, value, std::chars_format::scientific, precision);
      Float read_back = 0;
      std::from_chars(shortest, written.ptr, read_back);
      if (read_back == value && !halfway_to_neighbour(value, shortest, written.ptr)) break;
    }
  }
  return write_prolog_float(out, shortest, written.ptr);
}

// float4in and float8in: strtof()/strtod() in the C locale between
// blanks; a result that overflows, or underflows to 0 from a value that
// is not 0, is out of range.
// An SQL number is an integer or a numeric before it is a float, and
// neither has a negative zero: -0 puts 0 in a float column.
template <typename Float>
char* write_floating(std::string_view text, char* out, bool numeric_literal) {
  std::string_view rest = trim_leading_spaces(text);
  const bool negative = take_sign(rest);
  bool hex = false;
  const std::size_t length = float_syntax_length(rest, hex);
  if (length == 0 || !only_spaces(rest.substr(length))) return nullptr;
  const std::string_view number = rest.substr(0, length);
  Float value = 0;
  if (starts_with_word(number, "inf")) {
    value = std::numeric_limits<Float>::infinity();
  } else if (starts_with_word(number, "nan")) {
    value = std::numeric_limits<Float>::quiet_NaN();
  } else {
    const std::string_view digits = hex ? number.substr(2) : number;
    const std::chars_format format = hex ? std::chars_format::hex : std::chars_format::general;
    const char* const digits_end = digits.data() + digits.size();
    const std::from_chars_result read = std::from_chars(digits.data(), digits_end, value, format);
    if (read.ec != std::errc() || read.ptr != digits_end) return nullptr;
  }
  if (numeric_literal && value == 0) return write_float_value<Float>(0, out);
  return write_float_value<Float>(negative ? -value : value, out);
}

// --- booleans ------------------------------------------------------------

// parse_bool_with_len(): a word, or any prefix of it, in any case; "o"
// alone could be on or off and is neither.
char* write_boolean(std::string_view text, char* out) {
  const std::string_view value = trim_spaces(text);
  if (value.empty()) return nullptr;
  const auto prefix_of = [value](std::string_view word, std::size_t least) {
    return value.size() >= least && value.size() <= word.size() &&
           starts_with_word(value, word.substr(0, value.size()));
  };
  if (prefix_of("true", 1) || prefix_of("yes", 1) || prefix_of("on", 2) || value == "1") return put(out, "true");
  if (prefix_of("false", 1) || prefix_of("no", 1) || prefix_of("off", 2) || value == "0") return put(out, "false");
  return nullptr;
}

// How many digits of a plain decimal as PostgreSQL prints it (an
// optional minus, no leading zero, no negative zero, an optional point
// with digits after it) stand before its point; 0 when it is not one.
std::size_t printed_decimal_digits(std::string_view text, bool& has_point) {
  std::size_t i = text.starts_with('-') ? 1 : 0;
  const std::size_t first = i;
  while (i < text.size() && is_digit(text[i])) ++i;
  const std::size_t whole = i - first;
  has_point = i < text.size() && text[i] == '.';
  if (has_point) {
    const std::size_t point = i++;
    while (i < text.size() && is_digit(text[i])) ++i;
    if (i == point + 1) return 0;
  }
  if (i != text.size() || whole == 0 || (whole > 1 && text[first] == '0')) return 0;
  if (first == 1 && text.find_first_not_of("0.", 1) == std::string_view::npos) return 0;
  return whole;
}

// Significant digits of a plain decimal: leading zeros do not count.
std::size_t significant_digits(std::string_view text) {
  std::size_t count = 0;
  for (const char c : text) {
    if (is_digit(c) && (count > 0 || c != '0')) ++count;
  }
  return count;
}

// Nearly every value of a dump is written as its type prints it, and a
// plain decimal reads back unchanged: such values are copied. A double
// is the nearest to the decimal for PostgreSQL and SWI-Prolog alike; a
// real keeps any decimal of six digits exactly. Integers are copied
// before, by write_printed_value().
char* copy_printed(const ColumnType& type, std::string_view text, char* out) {
  constexpr std::size_t kLongest = 30;  // far inside a double's range
  if (text.size() > kLongest) return nullptr;
  bool has_point = false;
  const std::size_t whole_digits = printed_decimal_digits(text, has_point);
  if (whole_digits == 0) return nullptr;
  switch (type.kind) {
    case ColumnKind::floating: {
      if (type.single_precision && significant_digits(text) > 6) return nullptr;
      out = put(out, text);
      return has_point ? out : put(out, ".0");
    }
    case ColumnKind::number: {
      if (type.precision < 0) return put(out, text);
      const std::size_t scale = has_point ? text.size() - text.find('.') - 1 : 0;
      const bool zero_whole = text.starts_with("0") || text.starts_with("-0");
      if (static_cast<std::int64_t>(scale) != type.scale ||
          static_cast<std::int64_t>(zero_whole ? 0 : whole_digits) > type.precision - type.scale) {
        return nullptr;
      }
      return put(out, text);
    }
    case ColumnKind::integer:
    case ColumnKind::boolean:
    case ColumnKind::text: break;
  }
  return nullptr;
}

}  // namespace

char* write_value_term(const ColumnType& type, std::string_view text, char* out, bool numeric_literal) {
  if (char* copied = copy_printed(type, text, out)) return copied;
  switch (type.kind) {
    case ColumnKind::integer: return write_integer(type, text, out, numeric_literal);
    case ColumnKind::floating:
      return type.single_precision ? write_floating<float>(text, out, numeric_literal)
                                   : write_floating<double>(text, out, numeric_literal);
    case ColumnKind::number: return write_numeric(type, text, out);
    case ColumnKind::boolean: return write_boolean(text, out);
    case ColumnKind::text: break;
  }
  return nullptr;
}

}  // namespace pgdump2pl
