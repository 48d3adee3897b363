#include "facts/fact_writer.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace pgdump2pl {

FactWriter::FactWriter(ByteSink& sink, std::size_t capacity)
    : sink_(sink), capacity_(std::max<std::size_t>(capacity, 1)) {
  buf_ = std::make_unique_for_overwrite<char[]>(capacity_);
}

void FactWriter::flush() {
  if (used_ > 0 && error_ == 0) error_ = sink_.write(buf_.get(), used_);
  used_ = 0;
}

void FactWriter::make_room(std::size_t n) {
  flush();
  if (n > capacity_) {  // one fact larger than the buffer: a huge text
    buf_ = std::make_unique_for_overwrite<char[]>(n);
    capacity_ = n;
  }
}

void FactWriter::append(std::string_view bytes) {
  char* out = reserve(bytes.size());
  std::memcpy(out, bytes.data(), bytes.size());
  commit(out + bytes.size());
}

// The name stands inside a block comment: a blank between a `*` and a
// `/` that meet keeps it from closing that comment, or from opening a
// nested one, which would swallow the rest of the file.
void FactWriter::write_banner(std::string_view table_name) {
  append("/**\n * Table ");
  char* out = reserve(2 * table_name.size());
  char previous = ' ';
  for (const char c : table_name) {
    if ((previous == '*' && c == '/') || (previous == '/' && c == '*')) *out++ = ' ';
    *out++ = previous = c;
  }
  commit(out);
  append("\n */\n\n");
}

void FactWriter::write_count(std::int64_t rows) {
  constexpr std::string_view head = "/* (";
  constexpr std::string_view tail = " entrees) */\n\n\n";
  char* out = reserve(head.size() + 20 + tail.size());
  out = std::copy(head.begin(), head.end(), out);
  out = std::to_chars(out, out + 20, rows).ptr;
  commit(std::copy(tail.begin(), tail.end(), out));
}

int FactWriter::finish() {
  flush();
  const int closed = sink_.close();
  if (error_ == 0) error_ = closed;
  return error_;
}

}  // namespace pgdump2pl
