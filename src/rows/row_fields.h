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
  // An explicit cast to character(n) or varchar(n) cuts it to n
  // characters; 0 for none.
  std::int32_t cast_length = 0;
  std::string bytes;
  // A long string's value where the script was read, in its RowFields'
  // `held` buffer, in place of `bytes`: such a string is never copied.
  std::string_view held;

  std::string_view value() const { return held.data() != nullptr ? held : std::string_view(bytes); }
};

// The fields of one row. The vector only grows, so that its strings keep
// their capacity from row to row: `count` says how many are this row's.
struct RowFields {
  std::vector<Field> fields;
  std::size_t count = 0;
  // The reader's buffer that a field's `held` string lies in; one a row.
  LineReader::Buffer held;

  void clear() {
    count = 0;
    held.reset();
  }
  Field& add(Field::Source source) {
    if (count == fields.size()) fields.emplace_back();
    Field& field = fields[count++];
    field.source = source;
    field.numeric_literal = false;
    field.blank_padded = false;
    field.cast_length = 0;
    field.bytes.clear();
    field.held = {};
    return field;
  }
};

}  // namespace pgdump2pl
