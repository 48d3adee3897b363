#include "sql/sequence_definition.h"

#include "sql/object_names.h"
#include "sql/statement_tokens.h"

namespace pgdump2pl {

bool read_sequence_definition(SqlLexer& lexer, bool temporary, SequenceDefinition& sequence) {
  sequence = {};
  sequence.temporary = temporary;
  sequence.if_not_exists = accept_if_exists(lexer);
  if (!read_qualified_name(lexer, sequence.name)) return false;
  read_sequence_options(lexer, sequence.options);
  return true;
}

bool read_sequence_alteration(SqlLexer& lexer, SequenceAlteration& sequence) {
  sequence = {};
  accept_if_exists(lexer);
  if (!read_qualified_name(lexer, sequence.name)) return false;
  read_sequence_options(lexer, sequence.options);
  return true;
}

}  // namespace pgdump2pl
