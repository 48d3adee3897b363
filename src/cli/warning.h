#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "facts/block_writer.h"

namespace pgdump2pl {

// `pgdump2pl: DUMP:LINE: warning: table NAME: K of N rows do not fit its
// layout (first: field F is NULL)`, with a line end; a row without its
// table's columns gives `(first: 3 fields for its 4 columns)`. The name comes from
// the dump: its control bytes and bytes that are not UTF-8 are written as
// \xHH, so that it cannot drive the terminal.
// An archive has no lines: `place`, when not empty, stands for `:LINE`
// as `DUMP: PLACE: warning: ...`.
std::string misfit_warning(std::string_view dump_path, const BlockMisfits& block, std::string_view place = {});

// `pgdump2pl: DUMP:LINE: warning: TEXT`, without `:LINE` for line 0.
std::string script_warning(std::string_view dump_path, std::uint64_t line, std::string_view text,
                           std::string_view place = {});

// `pgdump2pl: PATH: REASON`, with a line end. The reason may hold a
// dump's bytes (a file name an archive gives): they are escaped as in
// warnings. The path is the user's own argument, as given.
std::string failure_line(std::string_view path, std::string_view reason);

}  // namespace pgdump2pl
