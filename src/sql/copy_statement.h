#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sql/qualified_name.h"
#include "sql/sql_lexer.h"

namespace pgdump2pl {

// How a COPY's data lines are written.
struct CopyFormat {
  enum class Kind : std::uint8_t { text, csv, binary };
  Kind kind = Kind::text;
  char delimiter = '\t';
  std::string null_string = "\\N";
  bool header = false;
  char quote = '"';
  char escape = '"';
  std::vector<std::string> force_not_null;  // columns whose unquoted null string is a value
  std::vector<std::string> force_null;      // columns whose quoted null string is NULL
  std::string encoding;                     // empty: the script's own

  // The text format as pg_dump writes it, which the fast path reads.
  bool is_default_text() const { return kind == Kind::text && delimiter == '\t' && null_string == "\\N"; }
};

struct CopyStatement {
  enum class Source : std::uint8_t {
    stdin,    // the data lines follow in the script
    outside,  // a file or a program: the data is not in the script
    other,    // COPY ... TO, or a query: no data comes in
  };
  QualifiedName table;
  std::vector<std::string> columns;  // as listed; empty without a list
  Source source = Source::other;
  bool filtered = false;  // a WHERE clause keeps only some rows
  CopyFormat format;
};

// Reads the COPY statement whose first word is current, in the old option
// syntax or the new, through the `;` that ends it. False, with the
// statement skipped, when it is not one that reads into a table.
bool read_copy_statement(SqlLexer& lexer, CopyStatement& copy);

// Reads psql's `\copy ...` from the text of its meta command, as psql
// hands it to the server: a COPY whose FROM stdin is the script's lines
// after it, `pstdin` psql's own input.
bool read_slash_copy(std::string_view command, bool standard_conforming_strings, CopyStatement& copy);

}  // namespace pgdump2pl
