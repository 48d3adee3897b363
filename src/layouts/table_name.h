#pragma once

#include <string>
#include <string_view>

namespace pgdump2pl {

// The table name of `COPY "word`: the word less its last byte (the
// closing quote), after the last `"."` when the name is schema-qualified
// (`public"."sites"` gives sites). The word, like any C text, ends at a
// zero byte.
std::string name_from_quoted_word(std::string_view word);

// The table name of `COPY public.sites (url) FROM stdin;`, given the rest
// of the line from its first byte after COPY: the identifier up to
// whitespace or `(` outside double quotes, the part after its last
// unquoted `.`, with quotes removed and `""` inside quotes kept as `"`.
std::string name_from_identifier(std::string_view rest);

// The schema and table that the same `rest` names, as PostgreSQL stores
// them: unquoted ASCII letters folded to lower case, quotes removed, 63
// bytes at most. The schema is empty for an unqualified name. For
// choosing tables only: the facts keep the names above, whole.
void stored_names(std::string_view rest, std::string& schema, std::string& table);

}  // namespace pgdump2pl
