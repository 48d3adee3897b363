#include "fact_line.h"

#include <charconv>
#include <cstdint>
#include <system_error>

#include "io/bytes.h"

namespace pgdump2pl {
namespace {

// Deeper nesting than any fact file has is left to Prolog's reader.
constexpr int kDeepest = 64;

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
constexpr bool is_alnum(char c) { return is_lower(c) || (c >= 'A' && c <= 'Z') || is_digit(c) || c == '_'; }

}  // namespace

bool FactLine::parse(const char* p, const char* end) {
  values_.clear();
  texts_.clear();
  continuation_bytes_ = 0;
  line_size_ = static_cast<std::size_t>(end - p);
  p_ = p;
  end_ = end;
  if (!value(0) || values_[0].kind != FactValue::Kind::compound) return false;
  if (p_ == end_ || *p_ != '.') return false;
  ++p_;
  return p_ == end_ || (*p_ == '\n' && p_ + 1 == end_);
}

bool FactLine::value(int depth) {
  if (p_ == end_ || depth > kDeepest) return false;
  const char c = *p_;
  if (c == '\'' || is_lower(c)) return atom_or_compound(depth);
  if (is_digit(c) || (c == '-' && p_ + 1 != end_ && is_digit(p_[1]))) return number();
  if (c == '[') return list(depth);
  return false;
}

bool FactLine::atom_or_compound(int depth) {
  const std::size_t at = values_.size();
  values_.emplace_back(FactValue::Kind::atom);
  const std::size_t start = texts_.size();
  bool ascii = true;
  if (*p_ == '\'') {
    if (!quoted(ascii)) return false;
  } else {
    const char* const first = p_;
    while (p_ != end_ && is_alnum(*p_)) ++p_;
    texts_.append(first, p_);
  }
  values_[at].text = start;
  values_[at].length = texts_.size() - start;
  values_[at].ascii = ascii;
  if (p_ == end_ || *p_ != '(') return true;
  ++p_;
  values_[at].kind = FactValue::Kind::compound;
  return arguments(depth, ')', at);
}

// Values up to `close`, by commas, after the opening bracket: the
// arguments or elements of values_[at].
bool FactLine::arguments(int depth, char close, std::size_t at) {
  for (std::uint32_t count = 1;; ++count) {
    if (!value(depth + 1) || p_ == end_) return false;
    const char c = *p_++;
    if (c == close) {
      values_[at].count = count;
      return true;
    }
    if (c != ',') return false;
  }
}

// A quoted atom's text, its escapes decoded, onto texts_.
bool FactLine::quoted(bool& ascii) {
  ++p_;
  for (;;) {
    if (p_ == end_) return false;
    const char c = *p_;
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\'') {
      if (p_ + 1 != end_ && p_[1] == '\'') {
        texts_ += '\'';
        p_ += 2;
        continue;
      }
      ++p_;
      return true;
    }
    if (c == '\\') {
      if (!escape(ascii)) return false;
      continue;
    }
    if (byte < 0x20) return false;
    if (byte < 0x80) {
      texts_ += c;
      ++p_;
      continue;
    }
    const std::size_t length =
        utf8_length(reinterpret_cast<const unsigned char*>(p_), reinterpret_cast<const unsigned char*>(end_));
    if (length == 0) return false;
    texts_.append(p_, length);
    p_ += length;
    continuation_bytes_ += length - 1;
    ascii = false;
  }
}

// The escapes the converter writes; any other is Prolog's reader's.
bool FactLine::escape(bool& ascii) {
  if (end_ - p_ < 2) return false;
  const char c = p_[1];
  static constexpr std::string_view kLetters = "abtnvfr";
  if (const auto letter = kLetters.find(c); letter != std::string_view::npos) {
    texts_ += static_cast<char>('\a' + letter);
    p_ += 2;
    return true;
  }
  if (c == '\\' || c == '\'' || c == '"' || c == '`') {
    texts_ += c;
    p_ += 2;
    return true;
  }
  // \NNN\ in octal, \xHH\ in hexadecimal, with the closing backslash.
  const bool hex = c == 'x';
  const char* q = p_ + (hex ? 2 : 1);
  std::uint32_t code = 0;
  int digits = 0;
  for (; q != end_ && *q != '\\'; ++q, ++digits) {
    const int digit = hex ? hex_value(static_cast<unsigned char>(*q)) : (*q >= '0' && *q <= '7' ? *q - '0' : -1);
    if (digit < 0 || digits == 8) return false;
    code = code * (hex ? 16u : 8u) + static_cast<std::uint32_t>(digit);
  }
  if (q == end_ || digits == 0 || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
  append_utf8(texts_, code);
  if (code >= 0x80) ascii = false;
  p_ = q + 1;
  return true;
}

// -?D+ is an integer; with .D+ or an exponent, a float. Whatever
// follows must end the argument, which the caller checks. Out of range (a
// big integer, an overflow or a subnormal float) is Prolog's reader's.
bool FactLine::number() {
  const char* const first = p_;
  const bool negative = *p_ == '-';
  const char* q = p_ + (negative ? 1 : 0);
  // An integer's magnitude is taken as its digits go by; 18 digits cannot
  // overflow, and a longer one is read again below.
  const char* const digits = q;
  std::uint64_t magnitude = 0;
  for (; q != end_ && is_digit(*q); ++q) magnitude = magnitude * 10 + static_cast<unsigned>(*q - '0');
  bool real = false;
  if (q != end_ && *q == '.' && q + 1 != end_ && is_digit(q[1])) {
    real = true;
    q += 2;
    while (q != end_ && is_digit(*q)) ++q;
  }
  if (q != end_ && (*q == 'e' || *q == 'E')) {
    const char* r = q + 1;
    if (r != end_ && (*r == '+' || *r == '-')) ++r;
    if (r == end_ || !is_digit(*r)) return false;
    while (r != end_ && is_digit(*r)) ++r;
    real = true;
    q = r;
  }
  FactValue value(real ? FactValue::Kind::real : FactValue::Kind::integer);
  if (!real && q - digits <= 18) {
    value.integer = static_cast<std::int64_t>(magnitude);
    if (negative) value.integer = -value.integer;
  } else {
    const auto result = real ? std::from_chars(first, q, value.real) : std::from_chars(first, q, value.integer);
    if (result.ec != std::errc{} || result.ptr != q) return false;
  }
  values_.push_back(value);
  p_ = q;
  return true;
}

bool FactLine::list(int depth) {
  ++p_;
  if (p_ != end_ && *p_ == ']') {
    ++p_;
    values_.emplace_back(FactValue::Kind::nil);
    return true;
  }
  const std::size_t at = values_.size();
  values_.emplace_back(FactValue::Kind::list);
  return arguments(depth, ']', at);
}

}  // namespace pgdump2pl
