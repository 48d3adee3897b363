#include "dump/dump_scanner.h"

#include <cstdint>
#include <string>

#include "dump/table_name.h"
#include "dump/whitespace.h"
#include "facts/row_conversion.h"

namespace pgdump2pl {
namespace {

constexpr std::string_view kCopy = "COPY";

// A byte from peek(); -1, the end of the input, is not whitespace.
bool is_space_byte(int c) { return c >= 0 && is_space(static_cast<unsigned char>(c)); }

bool is_terminator(const LineReader::Line& line) {
  return line.length >= 2 && line.text[0] == '\\' && line.text[1] == '.';
}

class DumpScanner {
 public:
  DumpScanner(LineReader& in, FactWriter& out) : fileRead(in), fileWrite(out) {}

  ScanOutcome run() {
    while (fileRead.peek() >= 0 && fileWrite.ok()) {
      if (!at_copy_statement()) {
        fileRead.skip_line();
      } else if (open_section()) {
        convert_rows();
      }
    }
    if (!fileWrite.ok()) return {ScanStatus::write_failed, fileWrite.error()};
    if (fileRead.error() != 0) return {ScanStatus::read_failed, fileRead.error()};
    return {ScanStatus::complete, 0};
  }

 private:
  // COPY, then whitespace or the end of the input. COMMENT, COMMIT and
  // the like must not open a section: it would swallow the next table.
  bool at_copy_statement() {
    const std::string_view head = fileRead.lookahead(kCopy.size() + 1);
    return head.starts_with(kCopy) && (head.size() == kCopy.size() || is_space(static_cast<unsigned char>(head.back())));
  }

  void skip_space() {
    while (is_space_byte(fileRead.peek())) fileRead.advance();
  }

  // Reads the next word, across line ends, into `table`; on reaching the
  // end of the input first, `table` keeps the word it held.
  void read_header_word() {
    skip_space();
    if (fileRead.peek() < 0) return;
    table.clear();
    for (int c; (c = fileRead.peek()) >= 0 && !is_space_byte(c); fileRead.advance()) table += static_cast<char>(c);
  }

  // Reads the header from COPY on, names the table and writes its banner.
  // False when the section ends at once, with no rows and no count.
  bool open_section() {
    for (std::size_t i = 0; i < kCopy.size(); ++i) fileRead.advance();
    skip_space();
    if (fileRead.peek() == '"') {
      fileRead.advance();
      read_header_word();
      start_table(name_from_quoted_word(table));
      fileRead.skip_line();
      return true;
    }
    LineReader::Line rest{};
    const bool got = fileRead.next_line(rest);
    start_table(got ? name_from_identifier({rest.text, rest.length}) : std::string());
    return !(got && is_terminator(rest));
  }

  void start_table(std::string name) {
    table_modif = std::move(name);
    fileWrite.write_banner(table_modif);
    rows.start_table(table_modif);
  }

  void convert_rows() {
    LineReader::Line url{};
    while (fileRead.next_line(url)) {
      if (is_terminator(url)) {
        end_section();
        return;
      }
      if (url.text[url.length] != '\n') url.text[url.length] = '\0';  // the last line: end it
      rows.convert({url.text, url.length}, fileWrite);
      ++compt;
      if (!fileWrite.ok()) return;
    }
    // The dump ended inside the section: it ends there, counted. After a
    // read error nothing more is written.
    if (fileRead.error() == 0) end_section();
  }

  void end_section() {
    fileWrite.write_count(compt);
    compt = 0;
  }

  LineReader& fileRead;
  FactWriter& fileWrite;
  RowConversion rows;
  std::string table;        // the word after the opening quote of the last quoted header
  std::string table_modif;  // the current table's name
  std::int64_t compt = 0;   // rows of the current section so far
};

}  // namespace

ScanOutcome scan_dump(LineReader& fileRead, FactWriter& fileWrite) {
  return DumpScanner(fileRead, fileWrite).run();
}

}  // namespace pgdump2pl
