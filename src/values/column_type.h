#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace pgdump2pl {

// The Prolog term a column's values become.
enum class ColumnKind : std::uint8_t { integer, floating, number, boolean, text };

// What a column's SQL type keeps of a value.
struct ColumnType {
  ColumnKind kind = ColumnKind::text;
  // integer: the bytes of smallint (2), integer (4) or bigint (8); 0 for
  // oid, which holds 0 to 4294967295.
  std::uint8_t integer_bytes = 8;
  // floating: real and float(1) to float(24) keep a 4-byte float.
  bool single_precision = false;
  // number: numeric(p,s) keeps s digits after the point and p in all;
  // -1 when unconstrained.
  std::int32_t precision = -1;
  std::int32_t scale = -1;
  // text: the string types, which PostgreSQL fits a value to as it stores
  // it: `padded` for character(n) and bpchar, `plain` for text and
  // character varying; `length` their n, 0 for none.
  enum class Characters : std::uint8_t { other, plain, padded };
  Characters characters = Characters::other;
  std::int32_t length = 0;

  friend bool operator==(const ColumnType&, const ColumnType&) = default;
};

// The type named `name` (lower case, its words joined by one blank and
// without a schema: `int4`, `double precision`, `character varying`) with
// the numbers in its parentheses, `(10,2)` as {10, 2}; `array` when it was
// declared with [] or ARRAY. Arrays and types not known here are text.
// `char` is character(1); the one-byte `"char"` is another type, known
// here by that name with its quotes.
ColumnType column_type(std::string_view name, std::span<const std::int64_t> modifiers, bool array);

}  // namespace pgdump2pl
