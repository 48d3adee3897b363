#pragma once

#include <cstddef>

#include "facts/prolog_dialect.h"

namespace pgdump2pl {

// The room fit_to_dialect() may add to a term.
inline constexpr std::size_t kDialectTermGrowth = 4;

// Rewrites the number term that write_value_term() wrote at [term, end)
// as `dialect` reads it: for GNU Prolog an integer beyond its range
// becomes the quoted atom of its digits, and NaN and the infinities the
// quoted atoms of PostgreSQL's text for them ('NaN', 'Infinity',
// '-Infinity'). Returns the new end, and sets `quoted` when it rewrote.
// The term needs kDialectTermGrowth bytes of room after it.
char* fit_to_dialect(PrologDialect dialect, char* term, char* end, bool& quoted);

}  // namespace pgdump2pl
