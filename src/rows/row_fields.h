#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "io/line_reader.h"

namespace pgdump2pl {

// One value of a row as a statement gives it.
struct Field {
  enum class Source : std::uint8_t {
    value,          // `bytes` holds the value, decoded
    null,           // SQL's NULL
    default_value,  // DEFAULT: the column's default
    expression,     // `bytes` holds SQL text that needs a database to compute
  };
  Source source = Source::value;
  // An SQL number constant rather than a string: PostgreSQL rounds it
  // into an integer column.
  bool numeric_literal = false;
  // A string of SQL type character (N'...', or cast to it), which loses
  // its trailing blanks in a text or varchar column.
  bool blank_padded = false;
  // A long string whose value is its RowFields' `held_text`, where the
  // script was read, in place of `bytes`: such a string is never copied.
  // Set only while that text is, and cleared with it.
  bool held = false;
  // An explicit cast to character(n) or varchar(n) cuts it to n
  // characters; 0 for none.
  std::int32_t cast_length = 0;
  std::string bytes;
};

// The fields of one row. The vector only grows, so that its strings keep
// their capacity from row to row: `count` says how many are this row's.
struct RowFields {
  std::vector<Field> fields;
  std::size_t count = 0;
  // The reader's buffer that the value of a `held` field lies in; one a row.
  LineReader::Buffer held;
  std::string_view held_text;

  void clear() {
    count = 0;
    if (held != nullptr) let_go();
  }
  // Out of the way of rows that hold nothing, which are nearly all.
  void let_go() {
    for (Field& field : fields) field.held = false;
    held.reset();
    held_text = {};
  }
  std::string_view value(const Field& field) const { return field.held ? held_text : std::string_view(field.bytes); }
  Field& add(Field::Source source) {
    if (count == fields.size()) fields.emplace_back();
    Field& field = fields[count++];
    field.source = source;
    field.numeric_literal = false;
    field.blank_padded = false;
    field.cast_length = 0;
    field.bytes.clear();
    return field;
  }
};

}  // namespace pgdump2pl
