#include "facts/fact_writer.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "facts/prolog_text.h"

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

void FactWriter::append_quoted(std::string_view text) {
  append("'");
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    char* out = reserve(quoted_size_bound(kPiece));
    commit(write_quoted_part(out, p, end, kPiece));
  }
  append("'");
}

void FactWriter::write_banner(std::string_view table_name, std::span<const std::string> lines) {
  append("/**\n * Table ");
  commit(write_comment_text(reserve(comment_text_bound(table_name.size())), table_name));
  for (const std::string& line : lines) {
    append("\n * ");
    commit(write_comment_text(reserve(comment_text_bound(line.size())), line));
  }
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
