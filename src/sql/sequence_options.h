#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "sql/qualified_name.h"
#include "sql/sql_lexer.h"

namespace pgdump2pl {

// One option of a sequence as written; an unreadable one is left out.
struct SequenceOption {
  enum class Kind : std::uint8_t {
    integer_type,  // AS an integer type of `value` bytes
    increment,
    min_value,
    max_value,
    start,
    cycle,
    no_min_value,
    no_max_value,
    no_cycle,
  };
  Kind kind;
  std::int64_t value = 0;
};

// The options of CREATE SEQUENCE, ALTER SEQUENCE or an identity column.
struct SequenceOptions {
  std::vector<SequenceOption> options;  // in written order: AS weighs the bounds before it
  bool complete = true;                 // false: they end at an AS with no type, and nothing after it was read
  bool restart = false;
  std::optional<std::int64_t> restart_with;  // none: from the start
  QualifiedName name;                        // SEQUENCE NAME's, an identity column's
  QualifiedName owned_by;                    // OWNED BY's table; an empty name for none or NONE
};

// Reads the options from the current token up to the first that is none.
void read_sequence_options(SqlLexer& lexer, SequenceOptions& options);

}  // namespace pgdump2pl
