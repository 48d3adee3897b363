#include "layouts/conversion_rules.h"

namespace pgdump2pl {

const ConversionRule* rule_for(std::string_view table_name) {
  for (const ConversionRule& rule : kConversionRules) {
    if (table_name.starts_with(rule.key)) return &rule;
  }
  return nullptr;
}

}  // namespace pgdump2pl
