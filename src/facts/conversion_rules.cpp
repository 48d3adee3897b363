#include "facts/conversion_rules.h"

namespace pgdump2pl {
namespace {

using enum Slot;

constexpr ConversionRule kRules[] = {
    {"s", {txt1, ent1}, 2},
    {"i", {ent1, txt1, txt2, ent2}, 4},
    {"pa", {ent1, txt1, ent2, ent3}, 4},
    {"f", {txt1, txt2, ent2}, 3},
    {"d", {ent1}, 1},
    {"pr", {txt1, ent1}, 2},
    {"h", {ent1, ent2, ent3}, 3},
    {"m", {txt1, ent1}, 2},
    {"t", {ent1, ent2, ent3}, 3},
    {"a", {ent1, ent2, ent3, ent4}, 4},
};

}  // namespace

std::span<const ConversionRule> conversion_rules() { return kRules; }

const ConversionRule* rule_for(std::string_view table_name) {
  for (const ConversionRule& rule : kRules) {
    if (table_name.starts_with(rule.key)) return &rule;
  }
  return nullptr;
}

}  // namespace pgdump2pl
