#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "io/bytes.h"
#include "io/line_reader.h"

namespace pgdump2pl {

// Finds the data blocks of a dump and hands out their rows, from the
// dump's first byte to its last. A block opens at a line that starts with
// COPY and whitespace; every line after it up to the one starting with
// "\." is a row of that table. Every other line is skipped.
class CopyBlockReader {
 public:
  enum class Item {
    block,      // a block opens: table_name() names it; one whose header
                // is followed at once by "\." has no rows and no end
    row,        // row() holds one row of the open block
    block_end,  // the open block ends, at its "\." or at the end of the dump
    end,        // nothing more: the dump is exhausted, or error() is set
  };

  explicit CopyBlockReader(LineReader& lines) : lines_(lines) {}

  // Inline for the rows, which are nearly every call.
  Item next() {
    if (in_block_ && next_line(row_)) {
      if (is_end_of_copy_data({row_.text, row_.length})) {
        in_block_ = false;
        return Item::block_end;
      }
      if (row_.text[row_.length] != '\n') row_.text[row_.length] = '\0';  // the last line: end it
      return Item::row;
    }
    return next_outside_rows();
  }

  std::string_view table_name() const { return table_name_; }
  // The open block's schema (empty when unqualified) and table, as
  // PostgreSQL stores them.
  std::string_view schema_name() const { return schema_name_; }
  std::string_view stored_table_name() const { return stored_table_name_; }
  // Passes over the rows of the block just opened, which then has no end.
  void skip_block();
  // The row, without its line end. It is followed by a line end or a
  // zero byte and kReadSlack more readable bytes.
  std::string_view row() const { return {row_.text, row_.length}; }
  // The 1-based line of the dump that holds row().
  std::uint64_t row_line() const { return row_line_; }
  // The errno of the read that failed, or 0.
  int error() const { return lines_.error(); }
  // Whether a block opened, and whether a line outside blocks starts an
  // INSERT statement: rows this reader does not see.
  bool saw_block() const { return saw_block_; }
  bool saw_insert() const { return saw_insert_; }

 private:
  bool next_line(LineReader::Line& line) {
    if (!lines_.next_line(line)) return false;
    row_line_ = next_line_++;
    return true;
  }
  Item next_outside_rows();
  bool at_copy_statement();
  void open_block();
  int peek_byte();
  void skip_space();
  void read_header_word();
  void skip_line();

  LineReader& lines_;
  bool in_block_ = false;
  bool saw_block_ = false;
  bool saw_insert_ = false;
  std::string quoted_word_;  // the word after the opening quote of the last quoted header
  std::string table_name_;
  std::string schema_name_;
  std::string stored_table_name_;
  LineReader::Line row_{};
  std::uint64_t row_line_ = 0;
  std::uint64_t next_line_ = 1;  // the line the next unread byte belongs to
};

}  // namespace pgdump2pl
