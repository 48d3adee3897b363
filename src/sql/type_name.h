#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sql/qualified_name.h"
#include "sql/sql_lexer.h"

namespace pgdump2pl {

// A type as a column definition writes it, before domains are resolved.
struct TypeName {
  QualifiedName name;  // the words of a built-in type joined by one blank; no schema for pg_catalog's
  std::vector<std::int64_t> modifiers;
  bool array = false;
  bool quoted = false;  // `"char"` is not `char`
};

// Reads a type from the current token to the first token after it:
// `double precision`, `public.positive`, `numeric(10,2)[]`,
// `timestamp(3) with time zone`, `int ARRAY[4]`.
bool read_type_name(SqlLexer& lexer, TypeName& type);

// The type as SQL writes it, for people to read: `numeric(10,2)`,
// `timestamp(3) with time zone`, `public."Odd"[]`.
std::string type_text(const TypeName& type);

}  // namespace pgdump2pl
