#include "values/column_type.h"

#include <array>

namespace pgdump2pl {
namespace {

struct NamedType {
  std::string_view name;
  ColumnType type;
};

constexpr ColumnType integer_of(std::uint8_t bytes) { return {.kind = ColumnKind::integer, .integer_bytes = bytes}; }
constexpr ColumnType floating_of(bool single) { return {.kind = ColumnKind::floating, .single_precision = single}; }

// The spellings whose modifiers, if any, change nothing we keep.
constexpr std::array kPlainTypes = {
    NamedType{"smallint", integer_of(2)},
    NamedType{"int2", integer_of(2)},
    NamedType{"smallserial", integer_of(2)},
    NamedType{"serial2", integer_of(2)},
    NamedType{"integer", integer_of(4)},
    NamedType{"int", integer_of(4)},
    NamedType{"int4", integer_of(4)},
    NamedType{"serial", integer_of(4)},
    NamedType{"serial4", integer_of(4)},
    NamedType{"bigint", integer_of(8)},
    NamedType{"int8", integer_of(8)},
    NamedType{"bigserial", integer_of(8)},
    NamedType{"serial8", integer_of(8)},
    NamedType{"oid", integer_of(0)},
    NamedType{"real", floating_of(true)},
    NamedType{"float4", floating_of(true)},
    NamedType{"double precision", floating_of(false)},
    NamedType{"float8", floating_of(false)},
    NamedType{"boolean", {ColumnKind::boolean}},
    NamedType{"bool", {ColumnKind::boolean}},
};

// PostgreSQL's limits on numeric's modifiers; a column declared beyond
// them was never created.
constexpr std::int64_t kMaxNumericPrecision = 1000;
constexpr std::int64_t kMinNumericScale = -1000;
constexpr std::int64_t kMaxNumericScale = 1000;

ColumnType numeric_type(std::span<const std::int64_t> modifiers) {
  ColumnType type{ColumnKind::number};
  if (modifiers.empty()) return type;
  const std::int64_t precision = modifiers[0];
  const std::int64_t scale = modifiers.size() > 1 ? modifiers[1] : 0;
  if (modifiers.size() > 2 || precision < 1 || precision > kMaxNumericPrecision || scale < kMinNumericScale ||
      scale > kMaxNumericScale) {
    return {};
  }
  type.precision = static_cast<std::int32_t>(precision);
  type.scale = static_cast<std::int32_t>(scale);
  return type;
}

// float(p) counts binary digits: up to 24 fit a 4-byte float.
ColumnType float_type(std::span<const std::int64_t> modifiers) {
  if (modifiers.empty()) return floating_of(false);
  const std::int64_t bits = modifiers[0];
  if (modifiers.size() > 1 || bits < 1 || bits > 53) return {};
  return floating_of(bits <= 24);
}

// PostgreSQL's largest n of character(n) and character varying(n).
constexpr std::int64_t kMaxCharacters = 10485760;

ColumnType string_type(ColumnType::Characters characters, std::span<const std::int64_t> modifiers, std::int32_t unset) {
  ColumnType type{ColumnKind::text};
  type.characters = characters;
  type.length = unset;
  if (modifiers.empty()) return type;
  if (modifiers.size() > 1 || modifiers[0] < 1 || modifiers[0] > kMaxCharacters) return {};
  type.length = static_cast<std::int32_t>(modifiers[0]);
  return type;
}

}  // namespace

ColumnType column_type(std::string_view name, std::span<const std::int64_t> modifiers, bool array) {
  if (array) return {};
  if (name == "numeric" || name == "decimal" || name == "dec") return numeric_type(modifiers);
  if (name == "float") return float_type(modifiers);
  using Characters = ColumnType::Characters;
  if (name == "character" || name == "char") return string_type(Characters::padded, modifiers, 1);
  if (name == "bpchar") return string_type(Characters::padded, modifiers, 0);
  if (name == "character varying" || name == "varchar") return string_type(Characters::plain, modifiers, 0);
  if (name == "text") return string_type(Characters::plain, {}, 0);
  for (const NamedType& known : kPlainTypes) {
    if (name == known.name) return known.type;
  }
  return {};
}

}  // namespace pgdump2pl
