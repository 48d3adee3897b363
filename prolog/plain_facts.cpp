// The foreign predicates of load_facts/1's plain-fact reader. It reads
// and asserts the lines that are plain facts (see fact_line.h), which
// nearly every fact file is made of, without Prolog's reader, and leaves
// anything else to that reader: so it only has to agree with it on what
// it accepts.
//
// It reads the file on its own descriptor, from the byte position the
// Prolog stream has reached, and tells the stream where it stopped, in
// the stream's own position term.

#include <SWI-Prolog.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "fact_line.h"
#include "file_lines.h"

namespace {

using pgdump2pl::FactLine;
using pgdump2pl::FactValue;
using pgdump2pl::FileLines;

// Prolog's signals (an interrupt, say) are looked at this often.
constexpr unsigned kFactsBetweenSignals = 4096;

// Where the reader is, as Prolog's stream counts it.
struct Position {
  std::int64_t chars = 0;
  std::int64_t line = 1;
  std::int64_t line_pos = 0;
  std::int64_t byte = 0;
};

struct Reader {
  explicit Reader(int fd) : lines(fd) {}
  FileLines lines;
  FactLine parser;
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

functor_t position_functor() {
  static const functor_t kPosition = PL_new_functor(PL_new_atom("$stream_position"), 4);
  return kPosition;
}

bool get_position(term_t t, Position& out) {
  if (!PL_is_functor(t, position_functor())) return false;
  std::int64_t* const fields[] = {&out.chars, &out.line, &out.line_pos, &out.byte};
  term_t field = PL_new_term_ref();
  for (std::size_t i = 0; i < 4; ++i) {
    if (!PL_get_arg(i + 1, t, field) || !PL_get_int64(field, fields[i])) return false;
  }
  return true;
}

bool put_position(term_t t, const Position& at) {
  term_t fields = PL_new_term_refs(4);
  return PL_put_int64(fields, at.chars) && PL_put_int64(fields + 1, at.line) && PL_put_int64(fields + 2, at.line_pos) &&
         PL_put_int64(fields + 3, at.byte) && PL_cons_functor_v(t, position_functor(), fields);
}

int representation(const FactValue& value) { return value.ascii ? REP_ISO_LATIN_1 : REP_UTF8; }

functor_t functor_of(const FactLine& parser, const FactValue& compound) {
  const std::string_view name = parser.text(compound);
  const atom_t atom = PL_new_atom_mbchars(representation(compound), name.size(), name.data());
  const functor_t functor = PL_new_functor(atom, compound.count);
  PL_unregister_atom(atom);
  return functor;
}

bool put_value(const FactLine& parser, std::size_t& at, term_t t);

// Puts the compound at values()[at], of `functor`, into t and moves `at`
// past it and its arguments.
bool put_compound(const FactLine& parser, std::size_t& at, term_t t, functor_t functor) {
  const std::uint32_t count = parser.values()[at++].count;
  const term_t arguments = PL_new_term_refs(static_cast<int>(count));
  for (std::uint32_t i = 0; i < count; ++i) {
    if (!put_value(parser, at, arguments + i)) return false;
  }
  return PL_cons_functor_v(t, functor, arguments);
}

// Puts the value at values()[at] into t and moves `at` past it.
bool put_value(const FactLine& parser, std::size_t& at, term_t t) {
  const FactValue& value = parser.values()[at];
  switch (value.kind) {
    case FactValue::Kind::compound: return put_compound(parser, at, t, functor_of(parser, value));
    case FactValue::Kind::list: {
      const std::uint32_t count = parser.values()[at++].count;
      const term_t elements = PL_new_term_refs(static_cast<int>(count));
      for (std::uint32_t i = 0; i < count; ++i) {
        if (!put_value(parser, at, elements + i)) return false;
      }
      if (!PL_put_nil(t)) return false;
      for (std::uint32_t i = count; i > 0; --i) {
        if (!PL_cons_list(t, elements + i - 1, t)) return false;
      }
      return true;
    }
    case FactValue::Kind::integer: ++at; return PL_put_int64(t, value.integer);
    case FactValue::Kind::real: ++at; return PL_put_float(t, value.real);
    case FactValue::Kind::nil: ++at; return PL_put_nil(t);
    case FactValue::Kind::atom: {
      ++at;
      const std::string_view text = parser.text(value);
      return PL_put_chars(t, PL_ATOM | representation(value), text.size(), text.data());
    }
  }
  return false;
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

void count_line(Position& at, std::string_view line, std::size_t characters) {
  const auto chars = static_cast<std::int64_t>(characters);
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
bool is_directive(const FactLine& parser) {
  const std::string_view name = parser.text(parser.values().front());
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
  // Its name in UTF-8 tells its facts without a look-up of theirs.
  atom_t name = 0;
  std::int64_t arity = 0;
  functor_t current = 0;
  std::optional<std::string> current_name;
  if (PL_get_atom(name_term, &name) && PL_get_int64(arity_term, &arity) && arity >= 0) {
    current = PL_new_functor(name, static_cast<std::size_t>(arity));
    char* text = nullptr;
    std::size_t length = 0;
    if (PL_atom_mbchars(name, &length, &text, REP_UTF8)) current_name.emplace(text, length);
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
    const FactValue& head = reader->parser.values().front();
    const bool of_current =
        current_name && head.count == static_cast<std::uint64_t>(arity) && reader->parser.text(head) == *current_name;
    const functor_t functor = of_current ? current : functor_of(reader->parser, head);
    std::size_t at = 0;
    if (!put_compound(reader->parser, at, fact, functor)) return FALSE;
    reader->lines.advance(line.size());
    count_line(reader->position, line, reader->parser.characters());
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
