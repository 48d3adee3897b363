#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace pgdump2pl {

// The run-long row slots a rule reads fields into: two texts and four
// integers.
enum class Slot : std::uint8_t { txt1, txt2, ent1, ent2, ent3, ent4 };

constexpr bool is_text(Slot slot) { return slot == Slot::txt1 || slot == Slot::txt2; }

// How the rows of a table become facts. The row's fields are read, in
// order, into `slots`, and the fact's arguments are those same slots in
// the same order.
struct ConversionRule {
  std::string_view key;  // the leading bytes of the table names it covers
  std::array<Slot, 4> slots;
  std::size_t field_count;

  std::span<const Slot> fields() const { return {slots.data(), field_count}; }
};

// The ten rules, in the order they are tried.
inline constexpr ConversionRule kConversionRules[] = {
    {"s", {Slot::txt1, Slot::ent1}, 2},
    {"i", {Slot::ent1, Slot::txt1, Slot::txt2, Slot::ent2}, 4},
    {"pa", {Slot::ent1, Slot::txt1, Slot::ent2, Slot::ent3}, 4},
    {"f", {Slot::txt1, Slot::txt2, Slot::ent2}, 3},
    {"d", {Slot::ent1}, 1},
    {"pr", {Slot::txt1, Slot::ent1}, 2},
    {"h", {Slot::ent1, Slot::ent2, Slot::ent3}, 3},
    {"m", {Slot::txt1, Slot::ent1}, 2},
    {"t", {Slot::ent1, Slot::ent2, Slot::ent3}, 3},
    {"a", {Slot::ent1, Slot::ent2, Slot::ent3, Slot::ent4}, 4},
};

inline std::span<const ConversionRule> conversion_rules() { return kConversionRules; }

// The first rule whose key begins `table_name`, or nullptr.
const ConversionRule* rule_for(std::string_view table_name);

}  // namespace pgdump2pl
