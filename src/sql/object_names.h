#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sql/qualified_name.h"
#include "sql/sql_lexer.h"

namespace pgdump2pl {

// Reads one name (an identifier, folded unless quoted) and moves past it.
bool read_name(SqlLexer& lexer, std::string& name);

// Reads `name` or `schema.name` (or `db.schema.name`) starting at the
// current token; on success the current token is the one after it.
bool read_qualified_name(SqlLexer& lexer, QualifiedName& name);

// The key by which the catalog knows a relation or type: the schema and the
// name, each bare when it is lower-case letters, digits and `_`, else
// double-quoted, so that no two objects share one: `public."Odd"`.
std::string object_key(std::string_view schema, std::string_view name);

// `name` as SQL writes it: bare when it is lower-case letters, digits and
// `_`, else double-quoted with its quotes doubled.
std::string quoted_identifier(std::string_view name);

// Reads a relation's name written inside a string, as a regclass input:
// `public."Odd"`, unquoted parts folded to lower case.
bool parse_regclass_text(std::string_view text, QualifiedName& name);

// Splits a search_path setting's text (`"$user", public`) into its names.
bool split_identifier_list(std::string_view text, std::vector<std::string>& names);

// The name PostgreSQL makes for the implicit sequence of a serial or
// identity column, before it looks for a free one: `table_column_seq`,
// both parts shortened to fit.
std::string implicit_sequence_name(std::string_view table, std::string_view column, std::string_view label);

}  // namespace pgdump2pl
