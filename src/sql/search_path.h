#pragma once

#include <string>
#include <vector>

#include "sql/sql_lexer.h"

namespace pgdump2pl {

// A search_path setting: the schemas as written, "$user" among them.
struct SearchPath {
  std::vector<std::string> schemas;
};

// Reads `SET search_path`'s value, from the first token after TO or `=`,
// to the end of the statement.
SearchPath read_search_path(SqlLexer& lexer);

}  // namespace pgdump2pl
