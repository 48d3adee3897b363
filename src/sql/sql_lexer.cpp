#include "sql/sql_lexer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "io/bytes.h"
#include "sql/identifier.h"

namespace pgdump2pl {
namespace {

constexpr std::uint8_t kSpace = 1;
constexpr std::uint8_t kIdentStart = 2;
constexpr std::uint8_t kIdentCont = 4;
constexpr std::uint8_t kTagCont = 8;  // a dollar quote's tag: an identifier's bytes but `$`
constexpr std::uint8_t kDigit = 16;
constexpr std::uint8_t kOperator = 32;
constexpr std::uint8_t kUpper = 64;

// Open parentheses and blocks are counted up to here and no further, so
// that no script overflows the count (2^31 `(` are 72 KB of zstd). psql
// counts on, but PostgreSQL refuses a statement nested so deep (its stack
// depth limit), so only where such a statement ends may differ.
constexpr int kMostOpen = 1 << 20;

constexpr std::array<std::uint8_t, 256> make_classes() {
  std::array<std::uint8_t, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    std::uint8_t cls = 0;
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 128;
    const bool digit = c >= '0' && c <= '9';
    if (letter) cls |= kIdentStart | kIdentCont | kTagCont;
    if (digit) cls |= kDigit | kIdentCont | kTagCont;
    if (c == '$') cls |= kIdentCont;
    if (fold_name_byte(static_cast<char>(c)) != static_cast<char>(c)) cls |= kUpper;
    if (is_space(static_cast<unsigned char>(c))) cls |= kSpace;
    for (const char op : std::string_view("~!@#^&|`?+-*/%<>=")) {
      if (c == op) cls |= kOperator;
    }
    classes[static_cast<std::size_t>(c)] = cls;
  }
  return classes;
}

constexpr std::array<std::uint8_t, 256> kClasses = make_classes();

inline bool is(int c, std::uint8_t cls) { return c >= 0 && (kClasses[static_cast<std::size_t>(c)] & cls) != 0; }
inline bool is(char c, std::uint8_t cls) { return (kClasses[static_cast<unsigned char>(c)] & cls) != 0; }

bool is_high_surrogate(std::uint32_t code) { return code >= 0xD800 && code <= 0xDBFF; }
bool is_low_surrogate(std::uint32_t code) { return code >= 0xDC00 && code <= 0xDFFF; }
std::uint32_t combine_surrogates(std::uint32_t high, std::uint32_t low) {
  return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

// Code points the server would refuse (a lone surrogate, past U+10FFFF)
// become U+FFFD rather than bytes that are not UTF-8.
void append_utf8_or_replacement(std::string& out, std::uint32_t code) {
  if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
  append_utf8(out, code);
}

// `count` hex digits of `text` from `at` as a number; false if one is not.
bool hex_digits(std::string_view text, std::size_t at, std::size_t count, std::uint32_t& value) {
  if (at + count > text.size()) return false;
  value = 0;
  for (std::size_t k = at; k < at + count; ++k) {
    const int digit = hex_value(static_cast<unsigned char>(text[k]));
    if (digit < 0) return false;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return true;
}

// A U& escape at text[at] (the escape byte): its length, 0 if malformed.
std::size_t unicode_escape(std::string_view text, std::size_t at, std::uint32_t& code) {
  if (hex_digits(text, at + 1, 4, code)) return 5;
  if (at + 1 < text.size() && text[at + 1] == '+' && hex_digits(text, at + 2, 6, code)) return 8;
  return 0;
}

}  // namespace

SqlLexer::SqlLexer(LineReader& lines) : lines_(lines) { sync(); }

int SqlLexer::error() const { return lines_.error(); }

void SqlLexer::append_code_point(std::uint32_t code, std::string& out) const {
  if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
  if (code_points_ == nullptr || !code_points_->append(code, out)) append_utf8_or_replacement(out, code);
}

void SqlLexer::sync() {
  const std::string_view bytes = lines_.buffered();
  data_ = bytes.data();
  avail_ = bytes.size();
}

bool SqlLexer::read_more() {
  const bool more = lines_.read_more();
  sync();
  return more;
}

// The byte at offset `at` from the current token's start, reading on as
// needed; -1 past the end of the script.
int SqlLexer::byte_at(std::size_t at) {
  while (at >= avail_) {
    if (!read_more()) return -1;
  }
  return static_cast<unsigned char>(data_[at]);
}

// Reads on once the `at` bytes seen so far are scanned. Between tokens
// they are let go, so that a long comment is never held whole; inside a
// token they stay, so that the token is one run of the buffer.
bool SqlLexer::refill(std::size_t& at, bool consuming) {
  if (consuming) {
    drop(at);
    at = 0;
  }
  return read_more();
}

void SqlLexer::drop(std::size_t n) {
  if (capturing_) keep(data_, n);
  lines_.consume(n);
  data_ += n;
  avail_ -= n;
}

// Skips whitespace and comments from `at`; false when the script ends
// first. Lines are counted only when consuming: bytes merely looked at
// are counted when they are taken.
bool SqlLexer::skip_blanks(std::size_t& at, bool consuming) {
  std::uint64_t lines = 0;
  bool more = true;
  for (;;) {
    while (at < avail_ && is(data_[at], kSpace)) lines += data_[at++] == '\n';
    if (at == avail_) {
      if (!refill(at, consuming)) {
        more = false;
        break;
      }
      continue;
    }
    const char c = data_[at];
    if (c == '-' && byte_at(at + 1) == '-') {
      at += 2;
      for (;;) {
        while (at < avail_ && data_[at] != '\n' && data_[at] != '\r') ++at;
        if (at < avail_ || !refill(at, consuming)) break;
      }
    } else if (c == '/' && byte_at(at + 1) == '*') {
      at += 2;
      std::uint64_t depth = 1;  // no count of bytes read overflows it
      while (depth > 0) {
        if (at == avail_ && !refill(at, consuming)) break;
        const char inside = data_[at];
        if (inside == '*' && byte_at(at + 1) == '/') {
          --depth;
          at += 2;
        } else if (inside == '/' && byte_at(at + 1) == '*') {
          ++depth;
          at += 2;
        } else {
          lines += inside == '\n';
          ++at;
        }
      }
    } else {
      break;
    }
  }
  if (consuming) line_ += lines;
  return more && at < avail_;
}

// After a string's closing quote, at `at`: the offset just past the quote
// that continues it (blanks holding a line end, and `--` comments, in
// between), or 0 when the string ends there.
std::size_t SqlLexer::continuation(std::size_t at) {
  bool line_end = false;
  for (;;) {
    const int c = byte_at(at);
    if (c == '\n' || c == '\r') {
      line_end = true;
      ++at;
    } else if (c == ' ' || c == '\t' || c == '\f' || (c == '\v' && line_end)) {
      ++at;
    } else if (c == '-' && byte_at(at + 1) == '-') {
      at += 2;
      int inside = 0;
      while ((inside = byte_at(at)) >= 0 && inside != '\n' && inside != '\r') ++at;
      if (inside < 0) return 0;
    } else {
      return c == '\'' && line_end ? at + 1 : 0;
    }
  }
}

// Scans a quoted body from `at`, just past its opening quote, through its
// closing quote and the strings that continue it. The text lands in text_
// (`decoded`) when it is not the body's bytes as they stand. False when
// the script ends inside.
bool SqlLexer::scan_quoted(std::size_t at, char quote, Quoting quoting, bool& decoded, std::size_t& end) {
  decoded = false;
  for (;;) {
    QuotedBody body{at};
    for (scan_quoted_body({data_, avail_}, quote, quoting, false, body); !body.closed;) {
      if (read_more()) {
        scan_quoted_body({data_, avail_}, quote, quoting, false, body);
      } else {
        scan_quoted_body({data_, avail_}, quote, quoting, true, body);
        if (!body.closed) return false;
      }
    }
    const std::size_t resumed = quote == '\'' ? continuation(body.end + 1) : 0;
    if (body.decoded || decoded || resumed != 0) {
      if (!decoded) text_.clear();
      decoded = true;
      decode_quoted({data_ + at, body.end - at}, quote, quoting, text_);
    }
    if (resumed == 0) {
      end = body.end + 1;
      return true;
    }
    at = resumed;
  }
}

void SqlLexer::decode_quoted(std::string_view body, char quote, Quoting quoting, std::string& out) const {
  std::size_t from = 0;  // the first byte not yet in `out`
  std::size_t i = 0;
  // A body that scan_quoted_body() closed: its quotes come in pairs, and
  // a byte follows each backslash.
  while ((i = next_quoting_byte(body, i, quote, quoting)) < body.size()) {
    if (body[i] == '\\') {
      out.append(body.data() + from, i - from);
      i = from = read_escape(body, i, out);
    } else {
      out.append(body.data() + from, i + 1 - from);  // one of the two quotes
      i = from = i + 2;
    }
  }
  out.append(body.data() + from, body.size() - from);
}

// Reads the backslash escape at `at` of an E'' string's body into `out`:
// the offset past it.
std::size_t SqlLexer::read_escape(std::string_view body, std::size_t at, std::string& out) const {
  const auto byte = [body](std::size_t k) { return k < body.size() ? static_cast<unsigned char>(body[k]) : -1; };
  const int c = byte(at + 1);
  auto hex_run = [&](std::size_t from, std::size_t count, std::uint32_t& value) {
    value = 0;
    for (std::size_t k = from; k < from + count; ++k) {
      const int digit = hex_value(byte(k));
      if (digit < 0) return false;
      value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return true;
  };
  switch (c) {
    case 'b': out += '\b'; return at + 2;
    case 'f': out += '\f'; return at + 2;
    case 'n': out += '\n'; return at + 2;
    case 'r': out += '\r'; return at + 2;
    case 't': out += '\t'; return at + 2;
    case 'x': {
      std::size_t i = at + 2;
      int value = hex_value(byte(i));
      if (value < 0) break;
      const int second = hex_value(byte(++i));
      if (second >= 0) {
        value = value * 16 + second;
        ++i;
      }
      out += static_cast<char>(value);
      return i;
    }
    case 'u':
    case 'U': {
      const std::size_t digits = c == 'u' ? 4 : 8;
      std::uint32_t code = 0;
      if (!hex_run(at + 2, digits, code)) break;
      std::size_t i = at + 2 + digits;
      if (is_high_surrogate(code) && byte(i) == '\\') {
        const int form = byte(i + 1);
        const std::size_t low_digits = form == 'u' ? 4 : form == 'U' ? 8 : 0;
        std::uint32_t low = 0;
        if (low_digits != 0 && hex_run(i + 2, low_digits, low) && is_low_surrogate(low)) {
          code = combine_surrogates(code, low);
          i += 2 + low_digits;
        }
      }
      append_code_point(code, out);
      return i;
    }
    default:
      if (c >= '0' && c <= '7') {
        unsigned value = static_cast<unsigned>(c - '0');
        std::size_t i = at + 2;
        for (int digit = 1; digit < 3; ++digit, ++i) {
          const int next = byte(i);
          if (next < '0' || next > '7') break;
          value = value * 8 + static_cast<unsigned>(next - '0');
        }
        out += static_cast<char>(value & 0xFF);
        return i;
      }
  }
  out += static_cast<char>(c);
  return at + 2;
}

// A `UESCAPE 'c'` after a U& token ending at `at`: the offset past it and
// its escape byte, or 0 when none follows.
std::size_t SqlLexer::uescape_clause(std::size_t at, char& escape) {
  std::size_t i = at;
  if (!skip_blanks(i, false)) return 0;
  for (const char letter : std::string_view("uescape")) {
    const int c = byte_at(i++);
    if (c < 0 || (c | 0x20) != letter) return 0;
  }
  if (is(byte_at(i), kIdentCont) || !skip_blanks(i, false)) return 0;
  const int c = byte_at(i + 1);
  if (byte_at(i) != '\'' || c < 0 || c == '\'' || byte_at(i + 2) != '\'') return 0;
  escape = static_cast<char>(c);
  return i + 3;
}

// The text of a U& token, its escapes read: `\XXXX`, `\+XXXXXX`, and the
// escape byte doubled for itself.
std::string_view SqlLexer::decode_unicode(std::string_view raw, char escape) {
  if (raw.data() == text_.data()) {
    scratch_.swap(text_);
    raw = scratch_;
  }
  text_.clear();
  std::size_t i = 0;
  while (i < raw.size()) {
    const void* hit = std::memchr(raw.data() + i, escape, raw.size() - i);
    const std::size_t at = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - raw.data()) : raw.size();
    text_.append(raw.data() + i, at - i);
    if (at == raw.size()) break;
    if (at + 1 < raw.size() && raw[at + 1] == escape) {
      text_ += escape;
      i = at + 2;
      continue;
    }
    std::uint32_t code = 0;
    const std::size_t length = unicode_escape(raw, at, code);
    if (length == 0) {  // the server refuses it; kept as written
      text_ += escape;
      i = at + 1;
      continue;
    }
    i = at + length;
    std::uint32_t low = 0;
    std::size_t low_length = 0;
    if (is_high_surrogate(code) && i < raw.size() && raw[i] == escape &&
        (low_length = unicode_escape(raw, i, low)) != 0 && is_low_surrogate(low)) {
      code = combine_surrogates(code, low);
      i += low_length;
    }
    append_code_point(code, text_);
  }
  return text_;
}

const Token& SqlLexer::emit(TokenKind kind, std::string_view text, std::size_t end) {
  token_end_ = end;
  token_.kind = kind;
  token_.text = text;
  token_.national = false;
  if (capturing_) {
    keep(data_, end);
    capture_end_ = capture_.size();
  }
  return token_;
}

// Out of the way: a capture is rare, and its append inline would cost
// every token the registers it needs.
// A captured statement is bounded as a line is: PostgreSQL writes none
// past 1 GiB, and one that runs on (no `;` ever) must not take all memory.
void SqlLexer::keep(const char* bytes, std::size_t n) {
  if (capture_.size() + n > LineReader::kMaxHeld) {
    lines_.fail(EFBIG, "a statement longer than 1 GiB, which PostgreSQL never writes");
    capturing_ = false;
    finished_ = true;
    return;
  }
  capture_.append(bytes, n);
}

const Token& SqlLexer::end_of_script() {
  finished_ = true;
  capturing_ = false;
  token_end_ = 0;
  token_.kind = TokenKind::end;
  token_.text = {};
  token_.line = line_;
  return token_;
}

const Token& SqlLexer::advance() {
  lines_.consume(token_end_);
  token_end_ = 0;
  in_data_ = false;
  sync();
  if (finished_ || lines_.stopped()) return end_of_script();
  return lex_next();
}

bool SqlLexer::advance_over(std::string_view prefix) {
  if (!token_.is_symbol(";") || nesting() != 0 || capturing_ || finished_ || prefix.empty()) return false;
  lines_.consume(token_end_);
  token_end_ = 0;
  in_data_ = false;
  sync();
  std::size_t at = 0;
  const bool more = skip_blanks(at, true);
  drop(at);
  const bool same = more && byte_at(prefix.size() - 1) >= 0 && std::memcmp(data_, prefix.data(), prefix.size()) == 0;
  if (same) {
    if (std::memchr(prefix.data(), '\n', prefix.size()) != nullptr) {
      line_ += static_cast<std::uint64_t>(std::count(prefix.begin(), prefix.end(), '\n'));
    }
    drop(prefix.size());
    // Its words are counted: none of them opens a function body.
    words_in_statement_ = static_cast<unsigned>(std::size(leading_words_));
  }
  lex_next();
  return same;
}

// The token at the first byte not yet consumed, after blanks and comments.
const Token& SqlLexer::lex_next() {
  std::size_t at = 0;
  const bool more = skip_blanks(at, true);
  drop(at);
  if (!more) return end_of_script();
  return lex_token();
}

// The token at the first byte not yet consumed, which starts one.
const Token& SqlLexer::lex_token() {
  token_.line = line_;
  const char c = data_[0];
  if (is(c, kIdentStart)) {
    switch (c) {
      case 'e':
      case 'E':
        if (byte_at(1) == '\'') return lex_quoted(2, '\'', Quoting::escapes, false);
        break;
      case 'n':
      case 'N':
        if (byte_at(1) == '\'') {
          lex_quoted(2, '\'', standard_conforming_strings_ ? Quoting::plain : Quoting::escapes, false);
          token_.national = token_.kind == TokenKind::string;
          return token_;
        }
        break;
      case 'b':
      case 'B':
      case 'x':
      case 'X':
        if (byte_at(1) == '\'') return lex_quoted(2, '\'', Quoting::bits, false);
        break;
      case 'u':
      case 'U':
        if (byte_at(1) == '&') {
          const int quote = byte_at(2);
          if (quote == '\'' || quote == '"') return lex_quoted(3, static_cast<char>(quote), Quoting::plain, true);
        }
        break;
      default: break;
    }
    return lex_word();
  }
  if (is(c, kDigit) || (c == '.' && is(byte_at(1), kDigit))) return lex_number();
  switch (c) {
    case '\'': return lex_quoted(1, '\'', standard_conforming_strings_ ? Quoting::plain : Quoting::escapes, false);
    case '"': return lex_quoted(1, '"', Quoting::plain, false);
    case '$': return lex_dollar();
    case '\\': return lex_meta_command();
    case ':':
      if (byte_at(1) == ':') return emit(TokenKind::symbol, {data_, 2}, 2);
      break;
    default:
      if (is(c, kOperator)) return lex_operator();
  }
  return lex_symbol();
}

// A one-byte symbol; `(`, `)` and `;` nest and end statements.
const Token& SqlLexer::lex_symbol() {
  switch (data_[0]) {
    case '(':
      if (open_parens_ < kMostOpen) ++open_parens_;
      break;
    case ')':
      if (open_parens_ > 0) --open_parens_;
      break;
    case ';':
      if (nesting() == 0) {
        emit(TokenKind::symbol, {data_, 1}, 1);
        capturing_ = false;  // nothing asks for more than a statement
        words_in_statement_ = 0;
        leading_words_ = {};
        return token_;
      }
      break;
    default: break;
  }
  return emit(TokenKind::symbol, {data_, 1}, 1);
}

const Token& SqlLexer::lex_word() {
  std::size_t i = 1;
  bool upper = is(data_[0], kUpper);
  for (;;) {
    while (i < avail_ && is(data_[i], kIdentCont)) upper |= is(data_[i++], kUpper);
    if (i < avail_ || !read_more()) break;
  }
  std::string_view word(data_, i);
  if (upper) {
    text_.assign(word);
    for (char& letter : text_) letter = fold_name_byte(letter);
    word = text_;
  }
  track_blocks(word);
  return emit(TokenKind::word, stored_name(word), i);
}

// psql's own guess at a BEGIN ATOMIC body of CREATE [OR REPLACE]
// FUNCTION/PROCEDURE, whose `;` do not end the statement: it looks at the
// first four words, then counts BEGIN, CASE (inside a BEGIN) and END
// outside parentheses.
void SqlLexer::track_blocks(std::string_view word) {
  if (words_in_statement_ < std::size(leading_words_)) {
    if (word == "create" || word == "or" || word == "replace" || word == "function" || word == "procedure") {
      leading_words_[words_in_statement_] = word[0];
    }
    ++words_in_statement_;
  }
  const char* first = leading_words_.data();
  if (first[0] != 'c' || open_parens_ != 0) return;
  if (!(first[1] == 'f' || first[1] == 'p' ||
        (first[1] == 'o' && first[2] == 'r' && (first[3] == 'f' || first[3] == 'p')))) {
    return;
  }
  if (word == "begin") {
    if (open_blocks_ < kMostOpen) ++open_blocks_;
  } else if (word == "case") {
    if (open_blocks_ >= 1 && open_blocks_ < kMostOpen) ++open_blocks_;
  } else if (word == "end") {
    if (open_blocks_ > 0) --open_blocks_;
  }
}

const Token& SqlLexer::lex_quoted(std::size_t body, char quote, Quoting quoting, bool unicode) {
  bool decoded = false;
  std::size_t end = 0;
  if (!scan_quoted(body, quote, quoting, decoded, end)) return end_of_script();
  if (unicode) {
    char escape = '\\';
    const std::size_t past_clause = uescape_clause(end, escape);
    const std::string_view raw = decoded ? std::string_view(text_) : std::string_view(data_ + body, end - 1 - body);
    decode_unicode(raw, escape);
    decoded = true;
    if (past_clause != 0) end = past_clause;
  }
  line_ += static_cast<std::uint64_t>(std::count(data_, data_ + end, '\n'));
  const std::string_view text = decoded ? std::string_view(text_) : std::string_view(data_ + body, end - 1 - body);
  if (quote == '"') return emit(TokenKind::quoted_name, stored_name(text), end);
  return emit(TokenKind::string, text, end);
}

const Token& SqlLexer::lex_dollar() {
  std::size_t i = 1;
  if (is(byte_at(1), kDigit)) {
    for (;;) {
      while (i < avail_ && is(data_[i], kDigit)) ++i;
      if (i < avail_ || !read_more()) break;
    }
    return emit(TokenKind::parameter, {data_, i}, i);
  }
  if (is(byte_at(1), kIdentStart)) {
    do ++i;
    while (is(byte_at(i), kTagCont));
  }
  if (byte_at(i) != '$') return emit(TokenKind::symbol, {data_, 1}, 1);
  const std::size_t delimiter = i + 1;
  i = delimiter;
  for (;;) {
    if (const void* hit = std::memchr(data_ + i, '$', avail_ - i)) {
      i = static_cast<std::size_t>(static_cast<const char*>(hit) - data_);
      if (byte_at(i + delimiter - 1) < 0) return end_of_script();
      if (std::memcmp(data_ + i, data_, delimiter) == 0) break;
      ++i;
    } else {
      i = avail_;
      if (!read_more()) return end_of_script();
    }
  }
  const std::size_t end = i + delimiter;
  line_ += static_cast<std::uint64_t>(std::count(data_, data_ + end, '\n'));
  return emit(TokenKind::string, {data_ + delimiter, i - delimiter}, end);
}

// As the server reads them: 1..2 is 1 then dots, and an exponent needs a
// digit, or the E is a word of its own.
const Token& SqlLexer::lex_number() {
  std::size_t i = 0;
  auto digits = [&] {
    for (;;) {
      while (i < avail_ && is(data_[i], kDigit)) ++i;
      if (i < avail_ || !read_more()) return;
    }
  };
  if (data_[0] == '.') {
    i = 1;
    digits();
  } else {
    digits();
    if (byte_at(i) == '.' && byte_at(i + 1) != '.') {
      ++i;
      digits();
    }
  }
  const int e = byte_at(i);
  if (e == 'e' || e == 'E') {
    std::size_t exponent = i + 1;
    const int sign = byte_at(exponent);
    if (sign == '+' || sign == '-') ++exponent;
    if (is(byte_at(exponent), kDigit)) {
      i = exponent;
      digits();
    }
  }
  return emit(TokenKind::number, {data_, i}, i);
}

// The server's operator rule: the run stops where a comment starts, and
// sheds a trailing + or - unless it holds a byte no SQL operator has, so
// that `=-1` is `=` then `-`.
const Token& SqlLexer::lex_operator() {
  std::size_t n = 1;
  for (;;) {
    while (n < avail_ && is(data_[n], kOperator)) ++n;
    if (n < avail_ || !read_more()) break;
  }
  for (std::size_t k = 1; k + 1 < n; ++k) {
    if ((data_[k] == '-' && data_[k + 1] == '-') || (data_[k] == '/' && data_[k + 1] == '*')) {
      n = k;
      break;
    }
  }
  if (n > 1 && (data_[n - 1] == '+' || data_[n - 1] == '-')) {
    const std::string_view head(data_, n - 1);
    if (head.find_first_of("~!@#^&|`?%") == std::string_view::npos) {
      do --n;
      while (n > 1 && (data_[n - 1] == '+' || data_[n - 1] == '-'));
    }
  }
  return emit(TokenKind::symbol, {data_, n}, n);
}

const Token& SqlLexer::lex_meta_command() {
  std::size_t i = 1;
  for (;;) {
    if (const void* hit = std::memchr(data_ + i, '\n', avail_ - i)) {
      i = static_cast<std::size_t>(static_cast<const char*>(hit) - data_);
      break;
    }
    i = avail_;
    if (!read_more()) break;
  }
  const bool line_end = i < avail_;
  std::size_t text_end = i;
  if (text_end > 1 && data_[text_end - 1] == '\r') --text_end;
  emit(TokenKind::meta_command, {data_ + 1, text_end - 1}, line_end ? i + 1 : i);
  line_ += line_end;
  capturing_ = false;
  return token_;
}

void SqlLexer::skip_statement() {
  while (token_.kind != TokenKind::end && token_.kind != TokenKind::meta_command &&
         !(token_.is_symbol(";") && nesting() == 0)) {
    advance();
  }
}

bool SqlLexer::refill_window() {
  // The current token's text, when it is the buffer's bytes, moves with them.
  const std::uintptr_t offset =
      reinterpret_cast<std::uintptr_t>(token_.text.data()) - reinterpret_cast<std::uintptr_t>(data_);
  const bool more = read_more();
  if (offset < token_end_) token_.text = {data_ + offset, token_.text.size()};
  return more;
}

const Token& SqlLexer::consume(std::size_t n, int closed) {
  const char* const from = data_ + token_end_;
  const char* const to = from + n;
  for (const char* at = from; (at = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(to - at))));
       ++at) {
    ++line_;
  }
  if (capturing_) keep(from, n);
  open_parens_ = std::max(0, open_parens_ - closed);
  lines_.consume(token_end_ + n);
  token_end_ = 0;
  sync();
  // What follows a tuple, taken without the whole of lex_next().
  if (avail_ != 0 && (data_[0] == '(' || data_[0] == ';')) {
    token_.line = line_;
    return lex_symbol();
  }
  return lex_next();
}

LineReader::Buffer SqlLexer::take_string_buffer() {
  if (token_.kind != TokenKind::string || capturing_ || !lines_.holds(token_.text.data())) return nullptr;
  lines_.consume(token_end_);
  token_end_ = 0;
  LineReader::Buffer taken = lines_.take_buffer();
  sync();
  return taken;
}

bool SqlLexer::take_decoded_string(std::string& out) {
  if (token_.kind != TokenKind::string || token_.text.data() != text_.data()) return false;
  out.swap(text_);
  token_.text = {};
  return true;
}

void SqlLexer::start_capture() {
  capture_.assign(data_, token_end_);
  capture_end_ = capture_.size();
  capturing_ = token_.kind != TokenKind::end;
}

bool SqlLexer::next_data_line(LineReader::Line& line) {
  if (finished_) return false;
  if (!in_data_) {
    lines_.consume(token_end_);
    token_end_ = 0;
    in_data_ = true;
    capturing_ = false;
    // A meta command's token ends with its line.
    if (token_.kind != TokenKind::meta_command) {
      if (!lines_.skip_line()) return false;
      ++line_;
    }
  }
  if (!lines_.next_line(line)) return false;
  ++line_;
  return true;
}

}  // namespace pgdump2pl
