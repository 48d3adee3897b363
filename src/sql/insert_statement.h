#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rows/row_fields.h"
#include "sql/qualified_name.h"
#include "sql/sql_lexer.h"

namespace pgdump2pl {

struct InsertStatement {
  enum class Body : std::uint8_t {
    values,          // VALUES (...), (...): read them with read_insert_tuple()
    default_values,  // DEFAULT VALUES: one row of defaults
    query,           // SELECT, TABLE, a WITH query: its rows need a database
  };
  QualifiedName table;
  std::vector<std::string> columns;  // as listed; empty without a list
  Body body = Body::values;
};

// Reads `INSERT INTO name [AS alias] [(columns)] [OVERRIDING ...]` from
// the current `insert`, up to its VALUES' first tuple. For the other
// bodies and for a statement it cannot read, the statement is skipped to
// its `;`; false for the latter.
bool read_insert_head(SqlLexer& lexer, InsertStatement& insert);

enum class TupleRead : std::uint8_t {
  row,   // one more tuple
  done,  // none is left: the rest of the statement (ON CONFLICT, RETURNING) is skipped to its `;`
  cut,   // the script ends inside the tuple, in a string or a parenthesis: the server refuses the statement
};

// Reads the next tuple of VALUES into `row` and sets `line` to the line
// where it starts.
TupleRead read_insert_tuple(SqlLexer& lexer, RowFields& row, std::uint64_t& line);

}  // namespace pgdump2pl
