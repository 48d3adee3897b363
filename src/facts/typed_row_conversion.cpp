#include "facts/typed_row_conversion.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <utility>

#include "bytes.h"
#include "facts/swar.h"

namespace pgdump2pl {
namespace {

struct TypeKind {
  std::string_view type;
  ColumnKind kind;
};

constexpr TypeKind kTypeKinds[] = {
    {"smallint", ColumnKind::integer}, {"integer", ColumnKind::integer},          {"bigint", ColumnKind::integer},
    {"oid", ColumnKind::integer},      {"double precision", ColumnKind::floating}, {"real", ColumnKind::floating},
    {"numeric", ColumnKind::number},   {"boolean", ColumnKind::boolean},
};

// A field's worst case is a byte written as \NNN\; a separator and two
// quotes come on top of each field.
constexpr std::size_t kOutPerRowByte = 5;
constexpr std::size_t kOutPerField = 3;
// The digits before the point of the largest double, 1.8e308.
constexpr std::size_t kLargestDoubleDigits = 309;

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_octal(char c) { return c >= '0' && c <= '7'; }
constexpr int hex_value(char c) {
  if (is_digit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char* put(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

// The rest of the field at `p`: up to the next tab or the row's end.
std::string_view field_at(const char* p, const char* end) {
  const auto* tab = static_cast<const char*>(std::memchr(p, '\t', static_cast<std::size_t>(end - p)));
  return {p, static_cast<std::size_t>((tab == nullptr ? end : tab) - p)};
}

// The byte that the COPY escape whose backslash is at `p` stands for;
// moves `p` past the escape. A backslash with nothing after it in its
// field stands for itself.
unsigned char read_escape(const char*& p, const char* end) {
  ++p;
  if (p == end || *p == '\t') return '\\';
  const char c = *p++;
  if (const std::size_t letter = std::string_view("bfnrtv").find(c); letter != std::string_view::npos) {
    return static_cast<unsigned char>("\b\f\n\r\t\v"[letter]);
  }
  unsigned value = 0;
  if (is_octal(c)) {
    value = static_cast<unsigned>(c - '0');
    for (int more = 0; more < 2 && p < end && is_octal(*p); ++more) value = value * 8 + static_cast<unsigned>(*p++ - '0');
    return static_cast<unsigned char>(value & 0xFF);
  }
  if (c == 'x' && p < end && hex_value(*p) >= 0) {
    value = static_cast<unsigned>(hex_value(*p++));
    if (p < end && hex_value(*p) >= 0) value = value * 16 + static_cast<unsigned>(hex_value(*p++));
    return static_cast<unsigned char>(value);
  }
  return static_cast<unsigned char>(c);
}

// One byte inside a quoted atom, as SWI-Prolog reads it back.
char* put_atom_byte(char* out, unsigned char c) {
  if (c == '\'' || c == '\\') {
    *out++ = '\\';
  } else if (c >= '\a' && c <= '\r') {
    *out++ = '\\';
    c = static_cast<unsigned char>("abtnvfr"[c - '\a']);
  } else if (c < ' ' || c == 127) {
    const char octal[] = {'\\', static_cast<char>('0' + (c >> 6)), static_cast<char>('0' + ((c >> 3) & 7)),
                          static_cast<char>('0' + (c & 7)), '\\'};
    return put(out, {octal, sizeof octal});
  }
  *out++ = static_cast<char>(c);
  return out;
}

// Decodes the field at `p` and writes it as a quoted atom; `p` ends at
// the tab or the row's end.
char* write_text(const char*& p, const char* end, char* out) {
  *out++ = '\'';
  while (p < end) {
    // Plain bytes go eight at a time, up to a tab, a control byte or a
    // byte to escape; the store may run past them into reserved room.
    const std::uint64_t word = swar::load8(p);
    const std::uint64_t stops = swar::bytes_below(word, ' ') | swar::bytes_equal(word, '\'') |
                                swar::bytes_equal(word, '\\') | swar::bytes_equal(word, '\x7f');
    swar::store8(out, word);
    const std::size_t clean =
        std::min<std::size_t>(stops == 0 ? 8 : swar::first_flagged(stops), static_cast<std::size_t>(end - p));
    out += clean;
    p += clean;
    if (p == end || stops == 0) continue;
    if (*p == '\t') break;
    out = put_atom_byte(out, *p == '\\' ? read_escape(p, end) : static_cast<unsigned char>(*p++));
  }
  *out++ = '\'';
  return out;
}

// One digit or more, nothing else.
bool all_digits(std::string_view text) { return !text.empty() && std::all_of(text.begin(), text.end(), is_digit); }

bool is_integer(std::string_view field) { return all_digits(field.starts_with('-') ? field.substr(1) : field); }

// PostgreSQL's float and numeric output: [-]digits[.digits][e[+-]digits],
// or NaN and the infinities. Integers stay integers when `keep_integers`;
// other values become floats SWI-Prolog reads as the same double. nullptr
// when the field is none of these, or too large for a double.
char* write_decimal(std::string_view field, bool keep_integers, char* out) {
  if (field == "NaN") return put(out, "1.5NaN");
  if (field == "Infinity") return put(out, "1.0Inf");
  if (field == "-Infinity") return put(out, "-1.0Inf");
  const std::size_t exponent_at = std::min(field.find('e'), field.size());
  const std::string_view mantissa = field.substr(0, exponent_at);
  const std::size_t dot = mantissa.find('.');
  const std::string_view whole = mantissa.substr(0, dot);
  if (!is_integer(whole) || (dot != std::string_view::npos && !all_digits(mantissa.substr(dot + 1)))) return nullptr;
  if (exponent_at < field.size()) {
    std::string_view power = field.substr(exponent_at + 1);
    if (power.starts_with('-') || power.starts_with('+')) power.remove_prefix(1);
    if (!all_digits(power)) return nullptr;
  } else if (keep_integers && dot == std::string_view::npos) {
    return put(out, field);
  }
  // SWI-Prolog refuses to read a float beyond the largest double, which
  // only an exponent or many digits can reach.
  if (exponent_at < field.size() || whole.size() >= kLargestDoubleDigits) {
    double value = 0;
    if (std::from_chars(field.data(), field.data() + field.size(), value).ec != std::errc()) return nullptr;
  }
  out = put(out, mantissa);
  if (dot == std::string_view::npos) out = put(out, ".0");
  return put(out, field.substr(exponent_at));
}

// Writes a field as its kind; nullptr when it does not read as one.
char* write_typed(ColumnKind kind, std::string_view field, char* out) {
  switch (kind) {
    case ColumnKind::integer: return is_integer(field) ? put(out, field) : nullptr;
    case ColumnKind::floating: return write_decimal(field, false, out);
    case ColumnKind::number: return write_decimal(field, true, out);
    case ColumnKind::boolean: return field == "t" ? put(out, "true") : field == "f" ? put(out, "false") : nullptr;
    case ColumnKind::text: break;
  }
  return nullptr;
}

FieldProblem not_of_kind(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::integer: return FieldProblem::not_integer;
    case ColumnKind::floating: return FieldProblem::not_float;
    case ColumnKind::number: return FieldProblem::not_number;
    case ColumnKind::boolean: return FieldProblem::not_boolean;
    case ColumnKind::text: break;
  }
  return FieldProblem::none;
}

}  // namespace

ColumnKind kind_of_type(std::string_view type) {
  // A precision leaves the kind alone: numeric(10,2) is a numeric.
  if (type.ends_with(')')) type = type.substr(0, type.find('('));
  for (const TypeKind& known : kTypeKinds) {
    if (type == known.type) return known.kind;
  }
  return ColumnKind::text;
}

TypedRowConversion::TypedRowConversion(std::string_view functor, std::vector<ColumnKind> kinds)
    : functor_(functor), kinds_(std::move(kinds)) {}

RowFit TypedRowConversion::convert(std::string_view row, FactWriter& out) const {
  if (row.ends_with('\r')) row.remove_suffix(1);
  char* const start = out.reserve(functor_.size() + 4 + kOutPerRowByte * row.size() +
                                  kOutPerField * kinds_.size() + kReadSlack + 1);
  char* o = put(start, functor_);
  const char* p = row.data();
  const char* const end = p + row.size();
  RowFit fit;
  for (std::size_t column = 0; column < kinds_.size(); ++column) {
    if (column > 0) {
      if (p == end) return {FieldProblem::field_count, static_cast<std::uint32_t>(column)};
      ++p;  // the tab
    }
    *o++ = column == 0 ? '(' : ',';
    if (end - p >= 2 && p[0] == '\\' && p[1] == 'N' && (p + 2 == end || p[2] == '\t')) {
      o = put(o, "'$null$'");
      p += 2;
      continue;
    }
    if (const ColumnKind kind = kinds_[column]; kind != ColumnKind::text) {
      const std::string_view field = field_at(p, end);
      if (char* typed = write_typed(kind, field, o); typed != nullptr) {
        o = typed;
        p += field.size();
        continue;
      }
      fit.note(static_cast<std::uint32_t>(column + 1), not_of_kind(kind));
    }
    o = write_text(p, end, o);
  }
  // With no column, the empty row is the only one of no field.
  if (p != end) {
    const auto tabs = static_cast<std::size_t>(std::count(p, end, '\t'));
    return {FieldProblem::field_count, static_cast<std::uint32_t>(kinds_.empty() ? tabs + 1 : kinds_.size() + tabs)};
  }
  out.commit(put(o, kinds_.empty() ? ".\n" : ").\n"));
  return fit;
}

}  // namespace pgdump2pl
