#include "rows/copy_text_fields.h"

#include <cstring>

#include "io/bytes.h"

namespace pgdump2pl {
namespace {

constexpr bool is_octal(char c) { return c >= '0' && c <= '7'; }

}  // namespace

char decode_copy_escape(const char*& p, const char* end) {
  if (p == end) return '\\';
  const char c = *p++;
  switch (c) {
    case 'b': return '\b';
    case 'f': return '\f';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    case 'v': return '\v';
    default: break;
  }
  if (is_octal(c)) {
    unsigned value = static_cast<unsigned>(c - '0');
    for (int more = 0; more < 2 && p < end && is_octal(*p); ++more)
      value = value * 8 + static_cast<unsigned>(*p++ - '0');
    return static_cast<char>(value & 0xFF);
  }
  if (c == 'x' && p < end && hex_value(*p) >= 0) {
    unsigned value = static_cast<unsigned>(hex_value(*p++));
    if (p < end && hex_value(*p) >= 0) value = value * 16 + static_cast<unsigned>(hex_value(*p++));
    return static_cast<char>(value);
  }
  return c;
}

void split_copy_text(std::string_view line, char delimiter, std::string_view null_string, RowFields& row) {
  row.clear();
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const char* p = line.data();
  const char* const end = p + line.size();
  for (;;) {
    // The raw field first: the null string is compared as written.
    const char* field_end = p;
    while (field_end < end && *field_end != delimiter) field_end += *field_end == '\\' && field_end + 1 < end ? 2 : 1;
    const std::string_view raw(p, static_cast<std::size_t>(field_end - p));
    if (raw == null_string) {
      row.add(Field::Source::null);
    } else {
      std::string& bytes = row.add(Field::Source::value).bytes;
      for (const char* q = p; q < field_end;) {
        const auto* backslash = static_cast<const char*>(std::memchr(q, '\\', static_cast<std::size_t>(field_end - q)));
        const char* run_end = backslash == nullptr ? field_end : backslash;
        bytes.append(q, static_cast<std::size_t>(run_end - q));
        q = run_end;
        if (q < field_end) bytes += decode_copy_escape(++q, field_end);
      }
    }
    if (field_end == end) return;
    p = field_end + 1;
  }
}

}  // namespace pgdump2pl
