#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "dump/line_reader.h"

namespace pgdump2pl {

enum class TokenKind : std::uint8_t {
  end,           // nothing more: the script is exhausted, or a read failed
  word,          // an unquoted identifier or keyword, ASCII letters folded to lower case
  quoted_name,   // "..." or U&"...": the name it stands for, `""` read as `"`
  string,        // '...', E'...', N'...', U&'...', B'...', X'...', $tag$...$tag$: the value it stands for
  number,        // 42, 3.5, .5e-3, 1e10, as written
  symbol,        // ( ) [ ] , ; . : :: or an operator (a run of + - * / < > = ~ ! @ # % ^ & | ` ?)
  parameter,     // $1
  meta_command,  // a psql backslash command: the text after the backslash to the line's end
};

struct Token {
  TokenKind kind = TokenKind::end;
  std::string_view text;
  std::uint64_t line = 0;  // the 1-based line of the script where the token starts

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

  // Outside E'' strings a backslash is an ordinary byte, unless this is
  // off (SET standard_conforming_strings = off), when it escapes there too.
  void set_standard_conforming_strings(bool on) { standard_conforming_strings_ = on; }

  // Parentheses open in the statement so far: a `;` inside them does not
  // end it, as in psql.
  int paren_depth() const { return paren_depth_; }
  // Advances to the `;` that ends the current statement, a meta command,
  // or the end, unless current() already is one.
  void skip_statement();

  // From now on, the script's bytes from the current token's first byte
  // are kept, comments and whitespace included; captured() gives them up
  // to the current token's last byte.
  void start_capture();
  std::string_view captured() const { return {capture_.data(), capture_end_}; }

  // The data lines of a COPY ... FROM stdin whose `;` is current(): the
  // rest of the `;`'s line is skipped, then each call gives one whole line
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
  // (the implementation's own members)
  LineReader& lines_;
  Token token_;
  std::string text_;     // the current token's text, when it is not the script's bytes as they stand
  std::string capture_;
  std::size_t capture_end_ = 0;
  bool capturing_ = false;
  bool standard_conforming_strings_ = true;
  int paren_depth_ = 0;
  std::uint64_t line_ = 1;  // the line of the next unread byte
};

}  // namespace pgdump2pl
