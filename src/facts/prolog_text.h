#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "io/bytes.h"

namespace pgdump2pl {

// The room write_quoted() needs for a text of `size` bytes: the quotes,
// two bytes for each byte of the text, and room to write the last eight
// bytes of the text at once.
constexpr std::size_t quoted_size_bound(std::size_t size) { return 2 * size + 2 + kReadSlack; }

// Writes `text` at `out` as a single-quoted Prolog atom and returns the
// end. The text must be followed by kReadSlack readable bytes. A quote
// becomes \'; a backslash that starts one of the escapes \\ \b \f \n \r
// \t \v is copied with its letter, since Prolog reads those as the dump
// means them; any other backslash is doubled (\N gives \\N). Every other
// byte is copied as it is.
char* write_quoted(char* out, std::string_view text);

// Writes the bytes of a text from `p` on as write_quoted() writes them,
// without the quotes, and moves `p` past them: `most` of them, or one
// more to end an escape, or up to `end`, the end of the whole text.
// `out` needs quoted_size_bound(most): a long text goes a piece at a time.
char* write_quoted_part(char* out, const char*& p, const char* end, std::size_t most);

// Writes the word at `word`, up to the first whitespace or zero byte, as
// write_quoted() writes a text, and sets `word_end` to where the word
// ends: reading a text field and writing it in one pass. The word and
// kReadSlack bytes after its end must be readable, and `out` needs
// quoted_size_bound() of the word's length.
char* write_quoted_word(char* out, const char* word, const char*& word_end);

// Writes the byte `c` as it stands inside a quoted atom for SWI-Prolog
// to read back: ' and \ escaped, the control bytes 7 to 13 as \a \b \t
// \n \v \f \r, other bytes below 32 and 127 as \NNN\ in octal, every
// other byte as it is. Returns the end; at most five bytes.
char* write_atom_byte(char* out, unsigned char c);

// A lower-case ASCII letter, then ASCII letters, digits and underscores.
bool is_plain_atom(std::string_view name);

// `name` as write_quoted() writes a text: its bytes as the dump holds
// them, but for bytes that are not UTF-8, each written \xHH\ so that the
// fact file stays UTF-8.
std::string quoted_as_dumped(std::string_view name);

// The room write_comment_text() needs for a text of `size` bytes.
constexpr std::size_t comment_text_bound(std::size_t size) { return 4 * size; }

// Writes `text` at `out` to stand inside a block comment and returns the
// end: a blank between a `*` and a `/` that meet keeps it from closing
// that comment, or from opening a nested one, which would swallow the
// rest of the file; a byte that is not UTF-8 is written \xHH.
char* write_comment_text(char* out, std::string_view text);

}  // namespace pgdump2pl
