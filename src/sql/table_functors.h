#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>

#include "sql/object_names.h"

namespace pgdump2pl {

// The functor of each table's facts, chosen at the table's first block
// and kept from then on, so that a table filled in turns is one
// predicate. It is the table's name, unless a table of that name in
// another schema is known by then: the name alone would mix their rows,
// so it is `schema.name` as SQL writes it. No two tables get one functor,
// and none gets the column facts' name or one Prolog acts on when it
// loads the facts: such a name goes to the qualified form, and that, if
// given too, takes `#2`, `#3`...
class TableFunctors {
 public:
  TableFunctors();

  // The functor (before quoting) of the table `name` in `schema`, both
  // UTF-8. `named_elsewhere()`, asked at the table's first block only:
  // whether the definitions know a table of that name in another schema.
  template <typename Predicate>
  const std::string& functor(std::string_view schema, std::string_view name, Predicate named_elsewhere) {
    const std::string key = object_key(schema, name);
    if (const auto found = by_table_.find(key); found != by_table_.end()) return found->second;
    return choose(key, schema, name, named_elsewhere());
  }

 private:
  const std::string& choose(const std::string& key, std::string_view schema, std::string_view name,
                            bool named_elsewhere);

  std::map<std::string, std::string> by_table_;                   // by object_key()
  std::map<std::string, std::set<std::string>> schemas_by_name_;  // of the tables given one
  std::set<std::string> taken_;
};

}  // namespace pgdump2pl
