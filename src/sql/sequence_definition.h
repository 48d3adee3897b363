#pragma once

#include "sql/qualified_name.h"
#include "sql/sequence_options.h"
#include "sql/sql_lexer.h"

namespace pgdump2pl {

// CREATE SEQUENCE as written.
struct SequenceDefinition {
  QualifiedName name;
  bool temporary = false;
  bool if_not_exists = false;
  SequenceOptions options;
};

// ALTER SEQUENCE as written.
struct SequenceAlteration {
  QualifiedName name;
  SequenceOptions options;
};

// Each reads its statement from the token after SEQUENCE; false when the
// sequence's name cannot be read.
bool read_sequence_definition(SqlLexer& lexer, bool temporary, SequenceDefinition& sequence);
bool read_sequence_alteration(SqlLexer& lexer, SequenceAlteration& sequence);

}  // namespace pgdump2pl
