#pragma once

#include <string>

namespace pgdump2pl {

// A name as PostgreSQL stores it: unquoted parts folded to lower case,
// quoted parts as they stand; `schema` is empty when none was written.
struct QualifiedName {
  std::string schema;
  std::string name;
};

}  // namespace pgdump2pl
