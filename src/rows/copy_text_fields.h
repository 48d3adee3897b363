#pragma once

#include <string_view>

#include "rows/row_fields.h"

namespace pgdump2pl {

// Splits a data line of COPY's text format (no line end; a carriage
// return at its end is dropped) at each `delimiter` that no backslash
// escapes, and decodes each field: a field that is `null_string` as
// written is NULL; `\t`, `\n`, octal `\NNN`, hex `\xHH` and the like stand
// for their bytes, and a backslash before any other byte for that byte.
// The byte that a COPY escape stands for, `p` just after its backslash;
// moves `p` past the escape. A backslash that ends its field stands for
// itself.
char decode_copy_escape(const char*& p, const char* end);

void split_copy_text(std::string_view line, char delimiter, std::string_view null_string, RowFields& row);

}  // namespace pgdump2pl
