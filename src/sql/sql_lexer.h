#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "io/line_reader.h"

namespace pgdump2pl {

enum class TokenKind : std::uint8_t {
  end,           // nothing more: the script is exhausted, or a read failed
  word,          // an unquoted identifier or keyword, as a stored name: ASCII letters folded, 63 bytes at most
  quoted_name,   // "..." or U&"...": the name it stands for, `""` read as `"`, 63 bytes at most
  string,        // '...', E'...', N'...', U&'...', B'...', X'...', $tag$...$tag$: the value it stands for
  number,        // 42, 3.5, .5e-3, 1e10, as written
  symbol,        // ( ) [ ] , ; . : :: or an operator (a run of + - * / < > = ~ ! @ # % ^ & | ` ?)
  parameter,     // $1
  meta_command,  // a psql backslash command: the text after the backslash to the line's end
};

// Writes a string's Unicode escape (\u00e9, U&'\00e9') in the script's
// own encoding, which the rest of the string is in; false when that
// encoding has no such character (it is then written in UTF-8).
class CodePointWriter {
 public:
  virtual bool append(std::uint32_t code, std::string& out) const = 0;

 protected:
  ~CodePointWriter() = default;
};

// How a quoted body's bytes read: '...' and "..." double their quote for
// one; E'...', and '...' with standard_conforming_strings off, also take
// backslash escapes; B'...' and X'...' take neither.
enum class Quoting : std::uint8_t { plain, escapes, bits };

// Where a quoted body ends, as far as the bytes at hand tell.
struct QuotedBody {
  std::size_t end = 0;  // the closing quote when `closed`, else where to scan on once more bytes are read
  bool closed = false;
  bool decoded = false;  // its text is not its bytes as they stand: a doubled quote or an escape
};

// The first byte of `bytes` from `i` that is not a quoted body's text as
// it stands: its quote, or with escapes a backslash; bytes.size() if none.
inline std::size_t next_quoting_byte(std::string_view bytes, std::size_t i, char quote, Quoting quoting) {
  if (quoting == Quoting::escapes) {
    while (i < bytes.size() && bytes[i] != quote && bytes[i] != '\\') ++i;
    return i;
  }
  const void* hit = std::memchr(bytes.data() + i, quote, bytes.size() - i);
  return hit != nullptr ? static_cast<std::size_t>(static_cast<const char*>(hit) - bytes.data()) : bytes.size();
}

// The rule of a quoted body, for the lexer and for a reader that scans
// bytes itself: scans `bytes` from body.end (just past the opening quote,
// or where the last scan stopped) to the closing quote. `last` says that
// nothing follows `bytes`, so that a quote ending them closes the body.
inline void scan_quoted_body(std::string_view bytes, char quote, Quoting quoting, bool last, QuotedBody& body) {
  std::size_t i = body.end;
  for (;;) {
    i = next_quoting_byte(bytes, i, quote, quoting);
    if (i == bytes.size()) break;
    const bool escape = bytes[i] == '\\';
    // The byte after a backslash, or after a quote that may be doubled, tells what it is.
    if (i + 1 == bytes.size() && (escape || (!last && quoting != Quoting::bits))) break;
    if (escape || (quoting != Quoting::bits && i + 1 < bytes.size() && bytes[i + 1] == quote)) {
      body.decoded = true;
      i += 2;
      continue;
    }
    body.closed = true;
    break;
  }
  body.end = i;
}

struct Token {
  TokenKind kind = TokenKind::end;
  std::string_view text;
  std::uint64_t line = 0;  // the 1-based line of the script where the token starts
  bool national = false;   // a string written N'...', of type character

  bool is_word(std::string_view keyword) const { return kind == TokenKind::word && text == keyword; }
  bool is_symbol(std::string_view symbol) const { return kind == TokenKind::symbol && text == symbol; }
};

// Splits an SQL script into tokens as psql does, reading it once through
// `lines`: comments (`--` to the line's end, `/* */` nested) and
// whitespace between tokens are skipped, and strings, quoted names and
// comments may span lines and buffer refills. The text of a token stays
// valid until the next call that moves the lexer.
class SqlLexer {
 public:
  explicit SqlLexer(LineReader& lines);

  const Token& current() const { return token_; }
  // Moves to the next token and returns it. Before the first call,
  // current() is an end token.
  const Token& advance();

  // Without one, Unicode escapes are written in UTF-8.
  void set_code_point_writer(const CodePointWriter* writer) { code_points_ = writer; }

  // With the `;` that ends a statement current: moves to the next token,
  // as advance() does; but when the next statement starts with the bytes
  // of `prefix` (after blanks and comments), it moves past them first and
  // says so. A dump repeats one INSERT's head on every row.
  bool advance_over(std::string_view prefix);

  // Outside E'' strings a backslash is an ordinary byte, unless this is
  // off (SET standard_conforming_strings = off), when it escapes there too.
  void set_standard_conforming_strings(bool on) { standard_conforming_strings_ = on; }

  // Parentheses open in the statement so far: a `;` inside them does not
  // end it, as in psql. The BEGIN ATOMIC ... END body of a CREATE
  // FUNCTION or PROCEDURE counts as one more, for the same reason.
  int nesting() const { return open_parens_ + open_blocks_; }
  // Advances to the `;` that ends the current statement, a meta command,
  // or the end, unless current() already is one.
  void skip_statement();

  // From now on, the script's bytes from the current token's first byte
  // are kept, comments and whitespace included; captured() gives them up
  // to the current token's last byte. Keeping stops at the end of the
  // statement, so that a forgotten capture never holds the whole script.
  void start_capture();
  std::string_view captured() const { return {capture_.data(), capture_end_}; }
  // Stops keeping bytes; captured() stays as it is.
  void stop_capture() { capturing_ = false; }

  // For a reader that scans the plainest tokens itself where tokens would
  // be too slow (pg_dump's INSERT tuples): the script's bytes after the
  // current token, as far as they are read, ...
  std::string_view window() const { return {data_ + token_end_, avail_ - token_end_}; }
  // ... one more block read after them, which may move them (current()
  // stays valid); false when the script has no more, ...
  bool refill_window();
  // ... and a move past the current token and the first `n` bytes of the
  // window, to the token after them, lexed as advance() lexes it. The
  // bytes hold only whole blanks, commas, constants (numbers, strings,
  // NULL, TRUE, FALSE) and `closed` parentheses that close groups opened
  // before them: the lexer counts their lines and keeps their capture.
  const Token& consume(std::size_t n, int closed);
  // The quoting of a plain '...' string under the current settings, and
  // the text of a body that scan_quoted_body() found `decoded`, appended
  // to `out`, as the lexer reads it.
  Quoting string_quoting() const { return standard_conforming_strings_ ? Quoting::plain : Quoting::escapes; }
  void decode_quoted(std::string_view body, char quote, Quoting quoting, std::string& out) const;

  // With a string current whose text is the script's bytes as they stand
  // (nothing decoded): moves past it, and hands over the reader's buffer
  // that holds it, so that a long string is kept where it was read; the
  // text stays valid there. nullptr when its text is not the buffer's;
  // then only the move past it may have happened, and current() stays
  // valid until advance(), which is to be called next either way.
  LineReader::Buffer take_string_buffer();
  // With a string current whose text was decoded: swaps that text with
  // `out`, so that it is not copied; false, with nothing changed, for
  // another token. advance() is to be called next.
  bool take_decoded_string(std::string& out);

  // The data lines of a COPY ... FROM stdin whose `;` (or psql's \copy)
  // is current(): the rest of the `;`'s line is skipped, then each call gives one whole line
  // without its line end, false at the end of the script or on a read
  // error. The caller stops at `\.`, then calls advance() for the next
  // token. A line is followed by a writable byte and kReadSlack readable
  // bytes, as LineReader gives it.
  bool next_data_line(LineReader::Line& line);
  // The 1-based line of the last data line.
  std::uint64_t data_line() const { return line_ - 1; }

  // The errno of the read that failed, or 0.
  int error() const;

 private:
  void sync();
  bool read_more();
  int byte_at(std::size_t at);
  bool refill(std::size_t& at, bool consuming);
  void drop(std::size_t n);
  bool skip_blanks(std::size_t& at, bool consuming);
  std::size_t continuation(std::size_t at);
  bool scan_quoted(std::size_t at, char quote, Quoting quoting, bool& decoded, std::size_t& end);
  std::size_t read_escape(std::string_view body, std::size_t at, std::string& out) const;
  std::size_t uescape_clause(std::size_t at, char& escape);
  std::string_view decode_unicode(std::string_view raw, char escape);
  void append_code_point(std::uint32_t code, std::string& out) const;
  const Token& lex_next();
  const Token& lex_token();
  const Token& lex_symbol();
  const Token& lex_word();
  const Token& lex_quoted(std::size_t body, char quote, Quoting quoting, bool unicode);
  const Token& lex_dollar();
  const Token& lex_number();
  const Token& lex_operator();
  const Token& lex_meta_command();
  void track_blocks(std::string_view word);
  const Token& emit(TokenKind kind, std::string_view text, std::size_t end);
  [[gnu::noinline]] void keep(const char* bytes, std::size_t n);
  const Token& end_of_script();

  LineReader& lines_;
  Token token_;
  std::string text_;     // the current token's text, when it is not the script's bytes as they stand
  std::string scratch_;  // a U& token's text before its escapes are read
  std::string capture_;
  std::size_t capture_end_ = 0;
  bool capturing_ = false;
  bool standard_conforming_strings_ = true;
  const CodePointWriter* code_points_ = nullptr;
  int open_parens_ = 0;
  int open_blocks_ = 0;  // BEGIN ATOMIC ... END bodies of CREATE FUNCTION/PROCEDURE, as psql counts them
  unsigned words_in_statement_ = 0;
  std::array<char, 4> leading_words_{};  // initials of CREATE, OR, REPLACE, FUNCTION, PROCEDURE among the first words
  std::uint64_t line_ = 1;               // the line of the next unread byte
  // The LineReader's unconsumed bytes: the current token is their first
  // token_end_ bytes, kept there until the lexer moves on.
  const char* data_ = nullptr;
  std::size_t avail_ = 0;
  std::size_t token_end_ = 0;
  bool finished_ = false;  // the script ended, maybe inside an unterminated construct
  bool in_data_ = false;   // next_data_line() has consumed the COPY data so far
};

}  // namespace pgdump2pl
