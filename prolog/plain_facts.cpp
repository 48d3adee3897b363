// The part of load_facts/1 that reads and asserts the lines that are plain
// facts, the lines that nearly every fact file is made of, without going
// through Prolog's reader: `name(Arg,...).` on one line, where each
// argument is an integer, a float, an atom, [] or a list or compound of
// such, written with no layout. Anything else (comments, directives,
// rules, layout inside a term, strings, operators, a number or escape
// that needs a closer look) is left to Prolog's reader, so this only has
// to agree with that reader on what it accepts, and refuses the rest.
//
// The reader works on its own descriptor of the file, from the byte
// position the Prolog stream has reached, and tells the stream where it
// stopped, in the stream's own position term.

#include <SWI-Prolog.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "io/bytes.h"

namespace {

using pgdump2pl::append_utf8;
using pgdump2pl::hex_value;
using pgdump2pl::is_utf8_continuation;
using pgdump2pl::utf8_length;

// A line longer than this is left to Prolog's reader.
constexpr std::size_t kLongestLine = std::size_t{64} << 20;
constexpr std::size_t kReadSize = std::size_t{1} << 20;
// Deeper nesting than any fact file has is left to Prolog's reader.
constexpr int kDeepest = 64;
// Prolog's signals (an interrupt, say) are looked at this often.
constexpr unsigned kFactsBetweenSignals = 4096;

// Where the reader is, as Prolog's stream counts it.
struct Position {
  std::int64_t chars = 0;
  std::int64_t line = 1;
  std::int64_t line_pos = 0;
  std::int64_t byte = 0;
};

// One value of a fact, in the order the parser met it: a compound or a
// list is followed by its `count` arguments or elements.
struct Node {
  enum class Kind : unsigned char { integer, real, atom, nil, compound, list };
  explicit Node(Kind what) : kind(what) {}
  Kind kind;
  bool ascii = true;  // an atom's or a compound name's text is ASCII
  std::uint32_t count = 0;
  std::int64_t integer = 0;
  double real = 0;
  std::size_t text = 0;  // offset and length in Parser::texts_
  std::size_t length = 0;
};

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
constexpr bool is_alnum(char c) { return is_lower(c) || (c >= 'A' && c <= 'Z') || is_digit(c) || c == '_'; }

// Parses one line that is a plain fact into nodes; refuses anything else.
class Parser {
 public:
  // The fact in [p, end), which must end with ".\n" or with "." at the
  // end of the file; false leaves it to Prolog's reader.
  bool parse(const char* p, const char* end) {
    nodes_.clear();
    texts_.clear();
    p_ = p;
    end_ = end;
    if (!value(0) || nodes_[0].kind != Node::Kind::compound) return false;
    if (p_ == end_ || *p_ != '.') return false;
    ++p_;
    return p_ == end_ || (*p_ == '\n' && p_ + 1 == end_);
  }

  const std::vector<Node>& nodes() const { return nodes_; }
  std::string_view text(const Node& node) const { return {texts_.data() + node.text, node.length}; }

 private:
  bool value(int depth) {
    if (p_ == end_ || depth > kDeepest) return false;
    const char c = *p_;
    if (c == '\'' || is_lower(c)) return atom_or_compound(depth);
    if (is_digit(c) || (c == '-' && p_ + 1 != end_ && is_digit(p_[1]))) return number();
    if (c == '[') return list(depth);
    return false;
  }

  bool atom_or_compound(int depth) {
    const std::size_t at = nodes_.size();
    nodes_.emplace_back(Node::Kind::atom);
    const std::size_t start = texts_.size();
    bool ascii = true;
    if (*p_ == '\'') {
      if (!quoted(ascii)) return false;
    } else {
      const char* const first = p_;
      while (p_ != end_ && is_alnum(*p_)) ++p_;
      texts_.append(first, p_);
    }
    nodes_[at].text = start;
    nodes_[at].length = texts_.size() - start;
    nodes_[at].ascii = ascii;
    if (p_ == end_ || *p_ != '(') return true;
    ++p_;
    nodes_[at].kind = Node::Kind::compound;
    return arguments(depth, ')', at);
  }

  // Values up to `close`, by commas, after the opening bracket: the
  // arguments or elements of nodes_[at].
  bool arguments(int depth, char close, std::size_t at) {
    for (std::uint32_t count = 1;; ++count) {
      if (!value(depth + 1) || p_ == end_) return false;
      const char c = *p_++;
      if (c == close) {
        nodes_[at].count = count;
        return true;
      }
      if (c != ',') return false;
    }
  }

  // A quoted atom's text, its escapes decoded, onto texts_.
  bool quoted(bool& ascii) {
    ++p_;
    for (;;) {
      if (p_ == end_) return false;
      const char c = *p_;
      const auto byte = static_cast<unsigned char>(c);
      if (c == '\'') {
        if (p_ + 1 != end_ && p_[1] == '\'') {
          texts_ += '\'';
          p_ += 2;
          continue;
        }
        ++p_;
        return true;
      }
      if (c == '\\') {
        if (!escape(ascii)) return false;
        continue;
      }
      if (byte < 0x20) return false;
      if (byte < 0x80) {
        texts_ += c;
        ++p_;
        continue;
      }
      const std::size_t length =
          utf8_length(reinterpret_cast<const unsigned char*>(p_), reinterpret_cast<const unsigned char*>(end_));
      if (length == 0) return false;
      texts_.append(p_, length);
      p_ += length;
      ascii = false;
    }
  }

  // The escapes the converter writes; any other is Prolog's reader's.
  bool escape(bool& ascii) {
    if (end_ - p_ < 2) return false;
    const char c = p_[1];
    static constexpr std::string_view kLetters = "abtnvfr";
    if (const auto letter = kLetters.find(c); letter != std::string_view::npos) {
      texts_ += static_cast<char>('\a' + letter);
      p_ += 2;
      return true;
    }
    if (c == '\\' || c == '\'' || c == '"' || c == '`') {
      texts_ += c;
      p_ += 2;
      return true;
    }
    // \NNN\ in octal, \xHH\ in hexadecimal, with the closing backslash.
    const bool hex = c == 'x';
    const char* q = p_ + (hex ? 2 : 1);
    std::uint32_t code = 0;
    int digits = 0;
    for (; q != end_ && *q != '\\'; ++q, ++digits) {
      const int digit = hex ? hex_value(static_cast<unsigned char>(*q)) : (*q >= '0' && *q <= '7' ? *q - '0' : -1);
      if (digit < 0 || digits == 8) return false;
      code = code * (hex ? 16u : 8u) + static_cast<std::uint32_t>(digit);
    }
    if (q == end_ || digits == 0 || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    append_utf8(texts_, code);
    if (code >= 0x80) ascii = false;
    p_ = q + 1;
    return true;
  }

  // -?D+ is an integer; with .D+ or an exponent, a float. Whatever
  // follows must end the argument, which the caller checks.
  bool number() {
    const char* const first = p_;
    const char* q = p_ + (*p_ == '-' ? 1 : 0);
    while (q != end_ && is_digit(*q)) ++q;
    bool real = false;
    if (q != end_ && *q == '.' && q + 1 != end_ && is_digit(q[1])) {
      real = true;
      q += 2;
      while (q != end_ && is_digit(*q)) ++q;
    }
    if (q != end_ && (*q == 'e' || *q == 'E')) {
      const char* r = q + 1;
      if (r != end_ && (*r == '+' || *r == '-')) ++r;
      if (r == end_ || !is_digit(*r)) return false;
      while (r != end_ && is_digit(*r)) ++r;
      real = true;
      q = r;
    }
    Node node(real ? Node::Kind::real : Node::Kind::integer);
    // Out of range (a big integer, an overflow or a subnormal float) is
    // Prolog's reader's.
    const auto result = real ? std::from_chars(first, q, node.real) : std::from_chars(first, q, node.integer);
    if (result.ec != std::errc{} || result.ptr != q) return false;
    nodes_.push_back(node);
    p_ = q;
    return true;
  }

  bool list(int depth) {
    ++p_;
    if (p_ != end_ && *p_ == ']') {
      ++p_;
      nodes_.emplace_back(Node::Kind::nil);
      return true;
    }
    const std::size_t at = nodes_.size();
    nodes_.emplace_back(Node::Kind::list);
    return arguments(depth, ']', at);
  }

  std::vector<Node> nodes_;
  std::string texts_;
  const char* p_ = nullptr;
  const char* end_ = nullptr;
};

// The file, read forward from a byte offset a line at a time.
class Lines {
 public:
  explicit Lines(int fd) : fd_(fd) {}
  Lines(const Lines&) = delete;
  Lines& operator=(const Lines&) = delete;
  ~Lines() { ::close(fd_); }

  // Moves to the byte offset `byte` of the file.
  void seek(std::int64_t byte) {
    if (byte >= window_start_ && byte <= window_start_ + static_cast<std::int64_t>(buffer_.size())) {
      cursor_ = static_cast<std::size_t>(byte - window_start_);
      return;
    }
    buffer_.clear();
    cursor_ = 0;
    window_start_ = byte;
    at_end_ = false;
  }

  // The rest of the window from the cursor.
  std::string_view rest() const { return {buffer_.data() + cursor_, buffer_.size() - cursor_}; }
  void advance(std::size_t bytes) { cursor_ += bytes; }

  // The line at the cursor up to and with its newline, or to the end of
  // the file; empty at the end or past kLongestLine. False on a read
  // error (errno says which).
  bool line(std::string_view& out) {
    std::size_t scanned = 0;
    for (;;) {
      const std::string_view rest_now = rest();
      if (const auto newline = rest_now.find('\n', scanned); newline != std::string_view::npos) {
        out = rest_now.substr(0, newline + 1);
        return true;
      }
      scanned = rest_now.size();
      if (at_end_ || scanned > kLongestLine) {
        out = at_end_ ? rest_now : std::string_view{};
        return true;
      }
      if (!fill()) return false;
    }
  }

  // Makes sure at least one byte is past the cursor unless at the end.
  bool has_more() {
    while (cursor_ == buffer_.size() && !at_end_) {
      if (!fill()) return false;
    }
    return cursor_ < buffer_.size();
  }

 private:
  bool fill() {
    if (cursor_ > 0) {
      buffer_.erase(0, cursor_);
      window_start_ += static_cast<std::int64_t>(cursor_);
      cursor_ = 0;
    }
    const std::size_t had = buffer_.size();
    buffer_.resize(had + kReadSize);
    ssize_t got;
    do {
      got = ::pread(fd_, buffer_.data() + had, kReadSize, static_cast<off_t>(window_start_) + static_cast<off_t>(had));
    } while (got < 0 && errno == EINTR);
    buffer_.resize(had + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    if (got == 0) at_end_ = true;
    return got >= 0;
  }

  int fd_;
  std::string buffer_;
  std::size_t cursor_ = 0;
  std::int64_t window_start_ = 0;
  bool at_end_ = false;
};

struct Reader {
  explicit Reader(int fd) : lines(fd) {}
  Lines lines;
  Parser parser;
  Position position;
};

// The reader as a Prolog blob. The blob holds a pointer to a Handle, which
// plain_facts_close/1 empties and the atom collector frees.
struct Handle {
  std::unique_ptr<Reader> reader;
};

int release_reader(atom_t blob) {
  delete *static_cast<Handle**>(PL_blob_data(blob, nullptr, nullptr));
  return TRUE;
}

PL_blob_t make_reader_blob() {
  PL_blob_t type{};
  type.magic = PL_BLOB_MAGIC;
  type.name = "pgdump2pl_plain_facts";
  type.release = release_reader;
  return type;
}
PL_blob_t reader_blob = make_reader_blob();

Handle* get_handle(term_t t) {
  void* data = nullptr;
  PL_blob_t* type = nullptr;
  if (!PL_get_blob(t, &data, nullptr, &type) || type != &reader_blob) {
    PL_type_error("pgdump2pl_plain_facts", t);
    return nullptr;
  }
  return *static_cast<Handle**>(data);
}

Reader* get_reader(term_t t) {
  Handle* const handle = get_handle(t);
  if (handle == nullptr) return nullptr;
  if (handle->reader == nullptr) PL_existence_error("pgdump2pl_plain_facts", t);
  return handle->reader.get();
}

bool get_position(term_t t, Position& out) {
  static const functor_t kPosition = PL_new_functor(PL_new_atom("$stream_position"), 4);
  if (!PL_is_functor(t, kPosition)) return false;
  std::int64_t* const fields[] = {&out.chars, &out.line, &out.line_pos, &out.byte};
  term_t field = PL_new_term_ref();
  for (std::size_t i = 0; i < 4; ++i) {
    if (!PL_get_arg(i + 1, t, field) || !PL_get_int64(field, fields[i])) return false;
  }
  return true;
}

bool put_position(term_t t, const Position& at) {
  static const functor_t kPosition = PL_new_functor(PL_new_atom("$stream_position"), 4);
  term_t fields = PL_new_term_refs(4);
  return PL_put_int64(fields, at.chars) && PL_put_int64(fields + 1, at.line) && PL_put_int64(fields + 2, at.line_pos) &&
         PL_put_int64(fields + 3, at.byte) && PL_cons_functor_v(t, kPosition, fields);
}

// Builds the value at nodes[at] into t; returns the index past it.
std::size_t build(const Parser& parser, std::size_t at, term_t t, bool& ok) {
  const Node& node = parser.nodes()[at];
  const std::string_view text = parser.text(node);
  const int representation = node.ascii ? REP_ISO_LATIN_1 : REP_UTF8;
  switch (node.kind) {
    case Node::Kind::integer: ok = ok && PL_put_int64(t, node.integer); return at + 1;
    case Node::Kind::real: ok = ok && PL_put_float(t, node.real); return at + 1;
    case Node::Kind::nil: ok = ok && PL_put_nil(t); return at + 1;
    case Node::Kind::atom:
      ok = ok && PL_put_chars(t, PL_ATOM | representation, text.size(), text.data());
      return at + 1;
    case Node::Kind::list: {
      term_t elements = PL_new_term_refs(static_cast<int>(node.count));
      std::size_t next = at + 1;
      for (std::uint32_t i = 0; i < node.count && ok; ++i) next = build(parser, next, elements + i, ok);
      ok = ok && PL_put_nil(t);
      for (std::uint32_t i = node.count; i > 0 && ok; --i) ok = PL_cons_list(t, elements + i - 1, t);
      return next;
    }
    case Node::Kind::compound: {
      const atom_t name = PL_new_atom_mbchars(representation, text.size(), text.data());
      const functor_t functor = PL_new_functor(name, node.count);
      PL_unregister_atom(name);
      term_t arguments = PL_new_term_refs(static_cast<int>(node.count));
      std::size_t next = at + 1;
      for (std::uint32_t i = 0; i < node.count && ok; ++i) next = build(parser, next, arguments + i, ok);
      ok = ok && PL_cons_functor_v(t, functor, arguments);
      return next;
    }
  }
  ok = false;
  return at + 1;
}

// Skips blanks and newlines as Prolog's stream counts them.
bool skip_layout(Reader& reader) {
  for (;;) {
    if (!reader.lines.has_more()) return true;
    const char c = reader.lines.rest().front();
    Position& at = reader.position;
    if (c == '\n') {
      ++at.line;
      at.line_pos = 0;
    } else if (c == ' ') {
      ++at.line_pos;
    } else if (c == '\t') {
      at.line_pos = (at.line_pos | 7) + 1;
    } else {
      return true;
    }
    ++at.chars;
    ++at.byte;
    reader.lines.advance(1);
  }
}

void count_line(Position& at, std::string_view line) {
  std::int64_t chars = 0;
  for (const char c : line) chars += is_utf8_continuation(static_cast<unsigned char>(c)) ? 0 : 1;
  at.chars += chars;
  at.byte += static_cast<std::int64_t>(line.size());
  if (line.back() == '\n') {
    ++at.line;
    at.line_pos = 0;
  } else {
    at.line_pos += chars;
  }
}

// A directive is Prolog's: it may change how the rest is read.
bool is_directive(const Parser& parser) {
  const std::string_view name = parser.text(parser.nodes().front());
  return name == ":-" || name == "?-";
}

foreign_t succeeded(int ok) { return ok ? TRUE : FALSE; }

// plain_facts_open(+File, -Reader): fails when File is not a regular file.
foreign_t plain_facts_open(term_t file, term_t reader_out) {
  char* name = nullptr;
  if (!PL_get_file_name(file, &name, PL_FILE_OSPATH)) return FALSE;
  const int fd = ::open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FALSE;
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd);
    return FALSE;
  }
  std::unique_ptr<Reader> reader(new (std::nothrow) Reader(fd));
  if (reader == nullptr) {
    ::close(fd);
    return succeeded(PL_resource_error("memory"));
  }
  auto* handle = new (std::nothrow) Handle{std::move(reader)};
  if (handle == nullptr) return succeeded(PL_resource_error("memory"));
  return succeeded(PL_unify_blob(reader_out, &handle, sizeof handle, &reader_blob));
}

foreign_t plain_facts_close(term_t reader_term) {
  Handle* const handle = get_handle(reader_term);
  if (handle == nullptr) return FALSE;
  handle->reader.reset();
  return TRUE;
}

// plain_facts(+Reader, +From, +Module, +Name, +Arity, +Action, -Result):
// from From (a stream position, or - to go on from where the reader is),
// asserts into Module each plain fact of Name/Arity if Action is assert,
// skips it if Action is skip, and stops at:
//   fact(Fact)  a plain fact of another predicate, read and not asserted;
//   other(At)   what is left to Prolog's reader, which begins at At.
foreign_t plain_facts(term_t reader_term, term_t from, term_t module_term, term_t name_term, term_t arity_term,
                      term_t action_term, term_t result) {
  static const functor_t kFact = PL_new_functor(PL_new_atom("fact"), 1);
  static const functor_t kOther = PL_new_functor(PL_new_atom("other"), 1);
  static const atom_t kAssert = PL_new_atom("assert");

  Reader* const reader = get_reader(reader_term);
  if (reader == nullptr) return FALSE;
  if (PL_is_compound(from)) {
    if (!get_position(from, reader->position)) return succeeded(PL_type_error("stream_position", from));
    reader->lines.seek(reader->position.byte);
  }
  module_t module = nullptr;
  atom_t action = 0;
  if (!PL_get_module(module_term, &module) || !PL_get_atom_ex(action_term, &action)) return FALSE;
  // The predicate whose facts go in without a word to Prolog; none when
  // Name is -.
  atom_t name = 0;
  std::int64_t arity = 0;
  functor_t current = 0;
  if (PL_get_atom(name_term, &name) && PL_get_int64(arity_term, &arity) && arity >= 0) {
    current = PL_new_functor(name, static_cast<std::size_t>(arity));
  }
  const bool assert_current = action == kAssert;

  term_t fact = PL_new_term_ref();
  fid_t frame = PL_open_foreign_frame();
  for (unsigned count = 1;; ++count) {
    if (count % kFactsBetweenSignals == 0 && PL_handle_signals() < 0) return FALSE;
    // What is left to Prolog's reader begins before the layout, so that
    // the stream need not move when nothing was taken. A read error is
    // left to Prolog's reader to meet and report.
    const Position before = reader->position;
    std::string_view line;
    if (!skip_layout(*reader) || !reader->lines.line(line) || line.empty() ||
        !reader->parser.parse(line.data(), line.data() + line.size()) || is_directive(reader->parser)) {
      reader->position = before;
      reader->lines.seek(before.byte);
      break;
    }
    bool ok = true;
    build(reader->parser, 0, fact, ok);
    functor_t functor = 0;
    if (!ok || !PL_get_functor(fact, &functor)) return FALSE;
    reader->lines.advance(line.size());
    count_line(reader->position, line);
    if (functor != current) {
      PL_close_foreign_frame(frame);
      return succeeded(PL_unify_term(result, PL_FUNCTOR, kFact, PL_TERM, fact));
    }
    if (assert_current && !PL_assert(fact, module, PL_ASSERTZ)) return FALSE;
    PL_rewind_foreign_frame(frame);
  }
  PL_rewind_foreign_frame(frame);
  term_t at = PL_new_term_ref();
  return succeeded(put_position(at, reader->position) && PL_unify_term(result, PL_FUNCTOR, kOther, PL_TERM, at));
}

}  // namespace

extern "C" install_t install_plain_facts() {
  PL_register_foreign("plain_facts_open", 2, reinterpret_cast<void*>(plain_facts_open), 0);
  PL_register_foreign("plain_facts_close", 1, reinterpret_cast<void*>(plain_facts_close), 0);
  PL_register_foreign("plain_facts", 7, reinterpret_cast<void*>(plain_facts), 0);
}
