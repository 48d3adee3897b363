#pragma once

#include "sql/catalog.h"

namespace pgdump2pl {

// Reads a DEFAULT's expression from its first token to the first token
// after it (a `,`, a `)`, the next column constraint or the statement's
// end). A nextval() gives a `sequence` default whose `value` is left for
// the caller, who resolves `sequence` against the search_path.
void read_column_default(SqlLexer& lexer, ColumnDefault& value, QualifiedName& sequence);

// Reads `( expression )`, GENERATED ALWAYS AS's, to the token after the
// `)`; `text` gets the expression as written, without the parentheses.
void read_parenthesised_text(SqlLexer& lexer, std::string& text);

}  // namespace pgdump2pl
