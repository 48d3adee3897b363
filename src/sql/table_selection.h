#pragma once

#include <string_view>

namespace pgdump2pl {

// Which tables a run converts, by their names as PostgreSQL stores them;
// `schema` is empty when the dump does not say.
class TableSelection {
 public:
  virtual ~TableSelection() = default;
  virtual bool selects(std::string_view schema, std::string_view table) const = 0;
};

}  // namespace pgdump2pl
