#pragma once

#include <cstdint>
#include <string>

#include "cli/table_patterns.h"
#include "facts/prolog_dialect.h"

namespace pgdump2pl {

// What the command line asks for.
struct CommandLineOptions {
  enum class Action : std::uint8_t { convert, help, version };
  Action action = Action::convert;
  bool all_tables = false;                     // --all-tables
  std::string encoding;                        // --encoding
  TableFilter tables;                          // -t and -T
  bool quiet = false;                          // -q: no progress line
  PrologDialect dialect = PrologDialect::swi;  // --dialect
  bool dialect_given = false;
  bool column_facts = false;  // --column-facts
  const char* dump_path = nullptr;
  const char* facts_path = nullptr;
};

// The options, or why the command line is wrong: `error` is empty when
// it is right, and otherwise the reason to print after `pgdump2pl: `.
struct ParsedCommandLine {
  CommandLineOptions options;
  std::string error;
};

// Options come first, in getopt's forms (`-t x`, `-tx`, `-qt x`,
// `--table=x`, `--table x`) until `--` or an argument that is not one;
// the last two arguments are always the paths, never an option or its
// value, so that any file name converts. `--help`, `-h` and `--version`
// are options only as the sole argument.
ParsedCommandLine parse_command_line(int argc, const char* const* argv);

}  // namespace pgdump2pl
