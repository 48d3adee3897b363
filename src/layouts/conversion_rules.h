#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace pgdump2pl {

// The run-long row slots a rule reads fields into: two texts and four
// integers.
enum class Slot : std::uint8_t { text1, text2, integer1, integer2, integer3, integer4 };

constexpr bool is_text(Slot slot) { return slot == Slot::text1 || slot == Slot::text2; }

// How the rows of a table become facts. The row's fields are read, in
// order, into `slots`, and the fact's arguments are those same slots in
// the same order.
struct ConversionRule {
  std::string_view key;  // the leading bytes of the table names it covers
  std::array<Slot, 4> slots;
  std::size_t field_count;
};

// The ten rules, in the order they are tried.
inline constexpr ConversionRule kConversionRules[] = {
    {"s", {Slot::text1, Slot::integer1}, 2},
    {"i", {Slot::integer1, Slot::text1, Slot::text2, Slot::integer2}, 4},
    {"pa", {Slot::integer1, Slot::text1, Slot::integer2, Slot::integer3}, 4},
    {"f", {Slot::text1, Slot::text2, Slot::integer2}, 3},
    {"d", {Slot::integer1}, 1},
    {"pr", {Slot::text1, Slot::integer1}, 2},
    {"h", {Slot::integer1, Slot::integer2, Slot::integer3}, 3},
    {"m", {Slot::text1, Slot::integer1}, 2},
    {"t", {Slot::integer1, Slot::integer2, Slot::integer3}, 3},
    {"a", {Slot::integer1, Slot::integer2, Slot::integer3, Slot::integer4}, 4},
};

// The first rule whose key begins `table_name`, or nullptr.
const ConversionRule* rule_for(std::string_view table_name);

}  // namespace pgdump2pl
