#include "values/typed_row_conversion.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "facts/prolog_text.h"
#include "io/bytes.h"
#include "io/swar.h"
#include "rows/copy_text_fields.h"
#include "values/character_fit.h"
#include "values/dialect_terms.h"
#include "values/field_terms.h"
#include "values/value_terms.h"

namespace pgdump2pl {
namespace {

// A field's worst case is a byte written as \xHH\; a separator and two
// quotes come on top of each field.
constexpr std::size_t kOutPerRowByte = 6;
constexpr std::size_t kOutPerField = 3;

char* put(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

// The rest of a typed field at `p`, up to the next tab or the row's end,
// and whether it holds an escape. Such fields are short.
std::string_view field_at(const char* p, const char* end, bool& escaped) {
  const char* q = p;
  escaped = false;
  for (; q < end && *q != '\t'; ++q) escaped |= *q == '\\';
  return {p, static_cast<std::size_t>(q - p)};
}

// The byte that the COPY escape whose backslash is at `p` stands for;
// moves `p` past the escape. A backslash before the field's tab stands
// for itself, as it always has here.
unsigned char read_escape(const char*& p, const char* end) {
  ++p;
  if (p != end && *p == '\t') return '\\';
  return static_cast<unsigned char>(decode_copy_escape(p, end));
}

}  // namespace

TypedRowConversion::TypedRowConversion(std::string_view functor, std::vector<ColumnType> types,
                                       const TextEncoding& encoding, bool as_list, PrologDialect dialect)
    : functor_(functor), types_(std::move(types)), encoding_(encoding), as_list_(as_list), dialect_(dialect) {
  if (as_list_) functor_ += '(';
  for (const ColumnType& type : types_) {
    if (type.characters == ColumnType::Characters::padded) padding_ += static_cast<std::size_t>(type.length);
  }
}

// The field decoded.
std::string_view TypedRowConversion::decoded(std::string_view field) {
  scratch_.clear();
  for (const char *p = field.data(), *end = p + field.size(); p < end;) {
    scratch_ += *p == '\\' ? static_cast<char>(read_escape(p, end)) : *p++;
  }
  return scratch_;
}

namespace {

// Writes the plain bytes of the field at `p` up to `stop` (or its tab),
// escapes decoded, and moves `p` past them. Returns -1, or the first byte
// above ASCII, consumed, when one stops it. The store may run past the
// plain bytes into reserved room.
[[gnu::always_inline]] inline int write_ascii(const char*& p, const char* stop, const char* end, char*& out,
                                              bool& invalid) {
  while (p < stop) {
    const std::uint64_t word = swar::load8(p);
    const std::uint64_t stops = swar::bytes_below(word, ' ') | swar::bytes_equal(word, '\'') |
                                swar::bytes_equal(word, '\\') | swar::bytes_equal(word, '\x7f') |
                                (word & swar::kHighBits);
    swar::store8(out, word);
    const std::size_t clean =
        std::min<std::size_t>(stops == 0 ? 8 : swar::first_flagged(stops), static_cast<std::size_t>(stop - p));
    out += clean;
    p += clean;
    if (p == stop || stops == 0) continue;
    if (*p == '\t') break;
    const unsigned char c = *p == '\\' ? read_escape(p, end) : static_cast<unsigned char>(*p++);
    if (c == 0) {
      // No encoding has a zero byte: PostgreSQL refuses it.
      out = put(out, "\\x00\\");
      invalid = true;
      continue;
    }
    if (c >= 0x80) return c;
    out = write_atom_byte(out, c);
  }
  return -1;
}

// Whether the decoded bytes may end inside a UTF-8 character: a lead
// byte among the last three wants more bytes than follow it.
bool splits_character(std::string_view bytes) {
  for (std::size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
    const auto c = static_cast<unsigned char>(bytes[bytes.size() - back]);
    if (c >= 0xC0) return back < (c >= 0xF0 ? 4u : c >= 0xE0 ? 3u : 2u);
  }
  return false;
}

}  // namespace

// Decodes the field at `p` and writes it as a quoted atom; `p` ends at
// the tab or the row's end. ASCII goes eight bytes at a time; from the
// first byte above it on, the rest of the field is decoded whole and
// converted, so that a character's bytes are checked together.
char* TypedRowConversion::write_text(const char*& p, const char* end, char* out, bool& invalid) {
  *out++ = '\'';
  if (const int high = write_ascii(p, end, end, out, invalid); high >= 0) {
    scratch_.assign(1, static_cast<char>(high));
    while (p < end && *p != '\t') scratch_ += *p == '\\' ? static_cast<char>(read_escape(p, end)) : *p++;
    out = encoding_.write_atom_text(scratch_, out, invalid);
  }
  *out++ = '\'';
  return out;
}

RowFit TypedRowConversion::convert(std::string_view row, FactWriter& out) {
  if (row.ends_with('\r')) row.remove_suffix(1);
  if (row.size() > kLongRow) [[unlikely]]
    return convert_long(row, out);
  char* const start =
      out.reserve(functor_.size() + 5 + kOutPerRowByte * (row.size() + padding_) +
                  (kOutPerField + value_term_bound(0) + kDialectTermGrowth) * types_.size() + kReadSlack + 1);
  char* o = put(start, functor_);
  const char* p = row.data();
  const char* const end = p + row.size();
  RowFit fit;
  for (std::size_t column = 0; column < types_.size(); ++column) {
    if (column > 0) {
      if (p == end) return {FieldProblem::field_count, static_cast<std::uint32_t>(column)};
      ++p;  // the tab
    }
    *o++ = column > 0 ? ',' : as_list_ ? '[' : '(';
    o = write_field(column, p, end, o, fit);
  }
  // With no column, the empty row is the only one of no field.
  if (p != end) {
    const auto tabs = static_cast<std::size_t>(std::count(p, end, '\t'));
    return {FieldProblem::field_count, static_cast<std::uint32_t>(types_.empty() ? tabs + 1 : types_.size() + tabs)};
  }
  out.commit(put(o, types_.empty() ? ".\n" : as_list_ ? "]).\n" : ").\n"));
  return fit;
}

// Writes the field of `column` at `p`, up to the next tab or `end`, and
// moves `p` there.
[[gnu::always_inline]] inline char* TypedRowConversion::write_field(std::size_t column, const char*& p, const char* end,
                                                                    char* o, RowFit& fit) {
  if (end - p >= 2 && p[0] == '\\' && p[1] == 'N' && (p + 2 == end || p[2] == '\t')) {
    p += 2;
    return put(o, "'$null$'");
  }
  const auto field_number = static_cast<std::uint32_t>(column + 1);
  if (const ColumnType& type = types_[column]; type.kind != ColumnKind::text) {
    bool escaped = false;
    const std::string_view field = field_at(p, end, escaped);
    char* typed = escaped ? nullptr : write_printed_value(type, field, o);
    if (typed == nullptr) {
      typed = write_value_term(type, escaped ? decoded(field) : field, o);
      bool quoted = false;
      if (typed != nullptr) typed = fit_to_dialect(dialect_, o, typed, quoted);
      if (quoted) fit.note(field_number, FieldProblem::dialect);
    }
    if (typed != nullptr) {
      p += field.size();
      return typed;
    }
    fit.note(field_number, problem_of_kind(type.kind));
  } else if (bool escaped = false; may_refit(type, field_at(p, end, escaped).size(), false)) {
    // character(n) and varchar(n) fit the decoded text.
    const std::string_view field = field_at(p, end, escaped);
    decoded(field);
    if (!fit_characters(type, false, scratch_)) {
      fit.note(field_number, FieldProblem::too_long, static_cast<std::uint32_t>(type.length));
    }
    bool invalid = false;
    *o++ = '\'';
    o = encoding_.write_atom_text(scratch_, o, invalid);
    *o++ = '\'';
    if (invalid) fit.note(field_number, FieldProblem::invalid_text);
    p += field.size();
    return o;
  }
  bool invalid = false;
  o = write_text(p, end, o, invalid);
  if (invalid) fit.note(field_number, FieldProblem::invalid_text);
  return o;
}

// As convert() writes a row, but a field at a time, and a long text a
// piece at a time, so that the fact is never held whole. The fields are
// counted first: a row of the wrong count writes nothing.
RowFit TypedRowConversion::convert_long(std::string_view row, FactWriter& out) {
  const auto fields = static_cast<std::size_t>(std::count(row.begin(), row.end(), '\t')) + 1;
  if (types_.empty() ? !row.empty() : fields != types_.size()) {
    return {FieldProblem::field_count, static_cast<std::uint32_t>(fields)};
  }
  out.append(functor_);
  const char* p = row.data();
  const char* const end = p + row.size();
  RowFit fit;
  for (std::size_t column = 0; column < types_.size(); ++column) {
    if (column > 0) ++p;  // the tab
    bool escaped = false;
    const std::size_t size = field_at(p, end, escaped).size();
    out.append(column > 0 ? "," : as_list_ ? "[" : "(");
    const ColumnType& type = types_[column];
    if (size > FactWriter::kPiece && type.kind == ColumnKind::text && !may_refit(type, size, false)) {
      bool invalid = false;
      write_long_text(p, end, out, invalid);
      if (invalid) fit.note(static_cast<std::uint32_t>(column + 1), FieldProblem::invalid_text);
      continue;
    }
    char* o = out.reserve(kOutPerRowByte * (size + padding_) + kOutPerField + value_term_bound(0) + kDialectTermGrowth +
                          kReadSlack + 1);
    out.commit(write_field(column, p, end, o, fit));
  }
  out.append(types_.empty() ? ".\n" : as_list_ ? "]).\n" : ").\n");
  return fit;
}

// As write_text() writes the field at `p`, a piece at a time. Once a byte
// above ASCII comes, the rest of the field is decoded and converted as
// there, in pieces that end with a whole character.
void TypedRowConversion::write_long_text(const char*& p, const char* end, FactWriter& out, bool& invalid) {
  out.append("'");
  bool converting = false;
  while (p < end && *p != '\t') {
    const char* const stop = p + std::min(FactWriter::kPiece, static_cast<std::size_t>(end - p));
    char* o = out.reserve(kOutPerRowByte * (FactWriter::kPiece + 4) + kReadSlack);
    if (!converting) {
      const int high = write_ascii(p, stop, end, o, invalid);
      if (high < 0) {
        out.commit(o);
        continue;
      }
      converting = true;
      scratch_.assign(1, static_cast<char>(high));
    } else {
      scratch_.clear();
    }
    while (p < end && *p != '\t' && (p < stop || splits_character(scratch_))) {
      scratch_ += *p == '\\' ? static_cast<char>(read_escape(p, end)) : *p++;
    }
    out.commit(encoding_.write_atom_text(scratch_, o, invalid));
  }
  out.append("'");
}

}  // namespace pgdump2pl
