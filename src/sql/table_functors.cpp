#include "sql/table_functors.h"

#include "facts/block_writer.h"

namespace pgdump2pl {

TableFunctors::TableFunctors() {
  taken_.emplace(kColumnFactsName);
  for (const std::string_view name : kFunctorsPrologActsOn) taken_.emplace(name);
}

const std::string& TableFunctors::choose(const std::string& key, std::string_view schema, std::string_view name,
                                         bool named_elsewhere) {
  std::set<std::string>& schemas = schemas_by_name_[std::string(name)];
  if (!schemas.empty()) named_elsewhere = true;  // the others seen in data statements
  schemas.emplace(schema);
  std::string chosen(named_elsewhere ? std::string_view(key) : name);
  if (taken_.contains(chosen)) chosen = key;
  for (int n = 2; taken_.contains(chosen); ++n) chosen = key + '#' + std::to_string(n);
  taken_.insert(chosen);
  return by_table_.emplace(key, std::move(chosen)).first->second;
}

}  // namespace pgdump2pl
