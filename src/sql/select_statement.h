#pragma once

#include <cstdint>
#include <variant>
#include <vector>

#include "sql/qualified_name.h"
#include "sql/search_path.h"
#include "sql/sql_lexer.h"

namespace pgdump2pl {

// setval('name', value [, is_called]).
struct SetvalCall {
  QualifiedName sequence;
  std::int64_t value = 0;
  bool is_called = true;
};

// set_config('search_path', ...) sets a search path.
using SelectCall = std::variant<SetvalCall, SearchPath>;

// The calls of a SELECT that change what the catalog holds.
struct SelectStatement {
  std::vector<SelectCall> calls;  // in written order
};

// Reads SELECT from its first word.
SelectStatement read_select_statement(SqlLexer& lexer);

// Reads set_config()'s arguments after its `(`, adding a search path to
// `calls` when it sets one.
void read_set_config(SqlLexer& lexer, std::vector<SelectCall>& calls);

}  // namespace pgdump2pl
