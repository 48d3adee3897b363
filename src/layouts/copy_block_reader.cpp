#include "layouts/copy_block_reader.h"

#include "io/bytes.h"
#include "layouts/table_name.h"

namespace pgdump2pl {
namespace {

constexpr std::string_view kCopy = "COPY";
constexpr std::string_view kInsert = "INSERT ";

}  // namespace

CopyBlockReader::Item CopyBlockReader::next_outside_rows() {
  if (in_block_) {
    // The dump ended inside the block: it ends there, counted. After a
    // read error nothing more is written.
    in_block_ = false;
    return error() == 0 ? Item::block_end : Item::end;
  }
  while (lines_.peek() >= 0) {
    if (at_copy_statement()) {
      open_block();
      saw_block_ = true;
      return Item::block;
    }
    if (!saw_insert_) saw_insert_ = lines_.lookahead(kInsert.size()) == kInsert;
    skip_line();
  }
  return Item::end;
}

// COPY, then whitespace or the end of the input. COMMENT, COMMIT and the
// like must not open a block: it would swallow the next table's rows.
bool CopyBlockReader::at_copy_statement() {
  const std::string_view head = lines_.lookahead(kCopy.size() + 1);
  return head.starts_with(kCopy) && (head.size() == kCopy.size() || is_space(static_cast<unsigned char>(head.back())));
}

// Reads the header from COPY on and names the table. The quoted form is
// read as `COPY "%s` would read it, across line ends.
void CopyBlockReader::open_block() {
  for (std::size_t i = 0; i < kCopy.size(); ++i) lines_.advance();
  skip_space();
  LineReader::Line rest{};
  if (lines_.peek() == '"') {
    lines_.advance();
    read_header_word();
    table_name_ = name_from_quoted_word(quoted_word_);
    stored_names('"' + quoted_word_, schema_name_, stored_table_name_);
    skip_line();
    in_block_ = true;
    return;
  }
  const bool got = next_line(rest);
  table_name_ = got ? name_from_identifier({rest.text, rest.length}) : std::string();
  stored_names(got ? std::string_view(rest.text, rest.length) : std::string_view(), schema_name_, stored_table_name_);
  in_block_ = !(got && is_end_of_copy_data({rest.text, rest.length}));
}

void CopyBlockReader::skip_block() {
  while (in_block_ && next_line(row_)) {
    if (is_end_of_copy_data({row_.text, row_.length})) break;
  }
  in_block_ = false;
}

// -1, the end of the input, is not whitespace.
void CopyBlockReader::skip_space() {
  for (int c; (c = lines_.peek()) >= 0 && is_space(static_cast<unsigned char>(c)); lines_.advance()) {
    if (c == '\n') ++next_line_;
  }
}

// Reads the next word, across line ends; at the end of the input the
// word of the last quoted header stays.
void CopyBlockReader::read_header_word() {
  skip_space();
  if (lines_.peek() < 0) return;
  quoted_word_.clear();
  for (int c; (c = lines_.peek()) >= 0 && !is_space(static_cast<unsigned char>(c)); lines_.advance()) {
    quoted_word_ += static_cast<char>(c);
  }
}

void CopyBlockReader::skip_line() {
  if (lines_.skip_line()) ++next_line_;
}

}  // namespace pgdump2pl
