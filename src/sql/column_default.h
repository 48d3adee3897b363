#pragma once

#include <cstdint>
#include <string>

#include "sql/qualified_name.h"
#include "sql/sql_lexer.h"

namespace pgdump2pl {

// What a row gets for a column that it does not give a value.
struct ColumnDefault {
  enum class Kind : std::uint8_t {
    null,        // no default, or DEFAULT NULL
    constant,    // `value` is the constant's text: DEFAULT 0, 'x'::text, true
    sequence,    // `value` is the key of the sequence whose next value it takes
    expression,  // `value` is the SQL text of a default that needs a database: now()
  };
  Kind kind = Kind::null;
  std::string value;
};

// Reads a DEFAULT's expression from its first token to the first token
// after it (a `,`, a `)`, the next column constraint or the statement's
// end). A nextval() gives a `sequence` default whose `value` is left for
// the caller, who resolves `sequence` against the search_path.
void read_column_default(SqlLexer& lexer, ColumnDefault& value, QualifiedName& sequence);

// Reads `( expression )`, GENERATED ALWAYS AS's, to the token after the
// `)`; `text` gets the expression as written, without the parentheses.
void read_parenthesised_text(SqlLexer& lexer, std::string& text);

}  // namespace pgdump2pl
