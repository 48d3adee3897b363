#include "sql/script_conversion.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "io/bytes.h"
#include "rows/copy_text_fields.h"
#include "rows/csv_fields.h"
#include "rows/row_fields.h"
#include "sql/catalog.h"
#include "sql/copy_statement.h"
#include "sql/definition_statement.h"
#include "sql/insert_statement.h"
#include "sql/object_names.h"
#include "sql/search_path.h"
#include "sql/sql_lexer.h"
#include "sql/table_functors.h"
#include "sql/table_rows.h"
#include "values/field_terms.h"
#include "values/text_encoding.h"
#include "values/typed_row_conversion.h"

namespace pgdump2pl {
namespace {

// A string's Unicode escapes in the script's encoding, as its other
// bytes are: the whole string is converted to UTF-8 later.
class EscapesInScriptEncoding final : public CodePointWriter {
 public:
  explicit EscapesInScriptEncoding(const TextEncoding& encoding) : encoding_(encoding) {}
  bool append(std::uint32_t code, std::string& out) const override { return encoding_.append_code_point(code, out); }

 private:
  const TextEncoding& encoding_;
};

class ScriptConversion {
 public:
  ScriptConversion(LineReader& script, FactWriter& facts, std::string_view encoding, const TableSelection* tables,
                   ConversionListener& listener, PredicateOptions predicates)
      : lexer_(script),
        facts_(facts),
        listener_(listener),
        tables_(tables),
        predicates_(predicates),
        block_(facts, listener, quoted_utf8_atom, true, predicates) {
    if (!encoding.empty()) script_encoding_.select(encoding);
    lexer_.set_code_point_writer(&escapes_);
  }

  ScanStatus run() {
    lexer_.advance();
    while (facts_.ok() && lexer_.current().kind != TokenKind::end) {
      statement();
      while (block_.is_open() && !insert_head_.empty() && lexer_.advance_over(insert_head_)) {
        // The head's line ends are behind the first tuple.
        read_tuples(lexer_.current().line -
                    static_cast<std::uint64_t>(std::count(insert_head_.begin(), insert_head_.end(), '\n')));
      }
      if (lexer_.current().is_symbol(";")) lexer_.advance();
    }
    end_block();
    if (!facts_.ok()) return ScanStatus::write_failed;
    if (lexer_.error() != 0) return ScanStatus::read_failed;
    return ScanStatus::complete;
  }

 private:
  void statement() {
    const Token& first = lexer_.current();
    if (first.is_word("insert")) return insert_statement();
    end_block();
    if (first.kind == TokenKind::meta_command) return meta_command();
    if (first.is_word("copy")) return copy_statement();
    if (begins_definition_statement(first)) return catalog_.apply(read_definition_statement(lexer_));
    if (first.is_word("set")) return set_statement();
    lexer_.skip_statement();
  }

  // SET [SESSION|LOCAL] name {TO|=} value
  void set_statement() {
    lexer_.advance();
    if (lexer_.current().is_word("session") || lexer_.current().is_word("local")) lexer_.advance();
    const std::string name(lexer_.current().text);
    lexer_.advance();
    if (lexer_.current().is_word("to") || lexer_.current().is_symbol("=")) lexer_.advance();
    if (name == "search_path") return catalog_.apply(read_search_path(lexer_));
    const std::string value(lexer_.current().text);
    if (name == "client_encoding" || name == "names") {
      select_encoding(value, lexer_.current().line);
    } else if (name == "standard_conforming_strings") {
      lexer_.set_standard_conforming_strings(value != "off" && value != "false" && value != "0" && value != "no");
    }
    lexer_.skip_statement();
  }

  void meta_command() {
    const std::string_view text = lexer_.current().text;
    if (text == "copy" || text.starts_with("copy ") || text.starts_with("copy\t")) {
      const std::uint64_t line = lexer_.current().line;
      if (read_slash_copy(text, lexer_.string_quoting() == Quoting::plain, copy_) && copy_rows(line, "\\copy")) return;
    } else if (text.starts_with("encoding ")) {
      std::string_view name = text.substr(9);
      while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
      while (!name.empty() && (name.back() == ' ' || name.back() == '\t' || name.back() == '\r')) name.remove_suffix(1);
      select_encoding(name, lexer_.current().line);
    }
    lexer_.advance();
  }

  void select_encoding(std::string_view name, std::uint64_t line) {
    if (name == "default") name = "UTF8";
    if (!script_encoding_.select(name)) {
      listener_.warning(line, "unknown client encoding " + std::string(name) + ", reading on as " +
                                  std::string(script_encoding_.name()));
    }
  }

  void copy_statement() {
    const std::uint64_t line = lexer_.current().line;
    if (read_copy_statement(lexer_, copy_)) copy_rows(line, "COPY");
  }

  // The rows of the COPY or \copy at `line`, whose statement is read;
  // false when none follow it in the script, the lexer not moved.
  bool copy_rows(std::uint64_t line, std::string_view command) {
    if (copy_.source == CopyStatement::Source::other) return false;
    if (copy_.source == CopyStatement::Source::outside) {
      listener_.warning(line, std::string(command) + " reads its rows from outside the script: table " +
                                  copy_.table.name + " gets no facts from it");
      return false;
    }
    const TextEncoding* encoding = &script_encoding_;
    if (!copy_.format.encoding.empty()) {
      if (copy_encoding_.select(copy_.format.encoding)) {
        encoding = &copy_encoding_;
      } else {
        listener_.warning(line, "unknown COPY encoding " + copy_.format.encoding);
      }
    }
    if (!selected(copy_.table)) {
      end_block();
      skip_data();
      return true;
    }
    if (copy_.format.kind == CopyFormat::Kind::binary || copy_.filtered) {
      listener_.warning(line, std::string(copy_.filtered ? "COPY ... WHERE" : "binary COPY") + ": table " +
                                  copy_.table.name + " gets no facts from it");
      skip_data();
      return true;
    }
    open_block(copy_.table, *encoding, copy_.columns, false);
    // The server converts each line to its encoding, then reads the
    // fields and their escapes: an escape's bytes are UTF-8 already.
    convert_lines_ = !passes_utf8(*encoding);
    if (convert_lines_) {
      const std::string null_string = std::move(copy_.format.null_string);
      copy_.format.null_string.clear();
      encoding->append_utf8(null_string, copy_.format.null_string);
    }
    if (copy_.format.kind == CopyFormat::Kind::csv) {
      copy_csv();
    } else {
      copy_text();
    }
    close_block();
    return true;
  }

  void skip_data() {
    LineReader::Line line{};
    while (lexer_.next_data_line(line) && !is_end_of_copy_data({line.text, line.length})) {
    }
    lexer_.advance();
  }

  void copy_text() {
    const bool fast = copy_.format.is_default_text() && !convert_lines_ && (!rows_.known() || rows_.in_order());
    LineReader::Line line{};
    bool header = copy_.format.header;
    while (lexer_.next_data_line(line)) {
      std::string_view text(line.text, line.length);
      if (is_end_of_copy_data(text)) break;
      text = in_utf8(text);
      if (header) {
        header = false;
        continue;
      }
      if (fast) {
        if (!fast_path_) {
          if (!rows_.known()) rows_.set_text_columns(count_fields(text, '\t'));
          std::vector<ColumnType> types;
          for (std::size_t column = 0; column < rows_.columns(); ++column) types.push_back(rows_.type(column));
          const bool as_list = block_.start_fact(rows_.columns(), lexer_.data_line());
          fast_path_.emplace(block_.functor(), std::move(types), *block_encoding_, as_list, predicates_.dialect);
        }
        block_.start_fact(rows_.columns(), lexer_.data_line());
        block_.count_row(fast_path_->convert(text, facts_), lexer_.data_line());
        continue;
      }
      split_copy_text(text, copy_.format.delimiter, copy_.format.null_string, row_);
      write_row(lexer_.data_line(), true);
    }
    lexer_.advance();
  }

  void copy_csv() {
    const CsvOptions options{copy_.format.delimiter, copy_.format.quote, copy_.format.escape, copy_.format.null_string};
    LineReader::Line line{};
    bool header = copy_.format.header;
    while (lexer_.next_data_line(line)) {
      std::string_view text(line.text, line.length);
      if (is_end_of_copy_data(text)) break;
      const std::uint64_t first_line = lexer_.data_line();
      record_.assign(in_utf8(text));
      bool open = csv_record_continues(record_, options, false);
      // psql ends the data at a `\.` line, inside quotes too.
      while (open && lexer_.next_data_line(line) && !is_end_of_copy_data({line.text, line.length})) {
        text = in_utf8({line.text, line.length});
        record_ += '\n';
        record_.append(text);
        open = csv_record_continues(text, options, true);
      }
      if (open) {
        listener_.warning(first_line, "the COPY data ends inside a quoted CSV field: table " + copy_.table.name +
                                          " gets no fact from the row that begins here");
        break;
      }
      if (header) {
        header = false;
        continue;
      }
      split_csv(record_, options, row_, quoted_);
      force_nulls();
      write_row(first_line, true);
    }
    lexer_.advance();
  }

  // FORCE_NULL and FORCE_NOT_NULL, by the names of the listed columns.
  void force_nulls() {
    for (std::size_t i = 0; i < row_.count; ++i) {
      Field& field = row_.fields[i];
      const std::string_view name = rows_.name_of_field(i);
      const auto named = [&](const std::vector<std::string>& names) {
        return std::find(names.begin(), names.end(), name) != names.end();
      };
      if (field.source == Field::Source::null && named(copy_.format.force_not_null)) {
        field.source = Field::Source::value;
        field.bytes = copy_.format.null_string;
      } else if (quoted_[i] == 'q' && field.bytes == copy_.format.null_string && named(copy_.format.force_null)) {
        field.source = Field::Source::null;
      }
    }
  }

  void insert_statement() {
    const std::uint64_t line = lexer_.current().line;
    lexer_.start_capture();
    if (!read_insert_head(lexer_, insert_)) return end_block();
    if (insert_.body == InsertStatement::Body::query) {
      end_block();
      return listener_.warning(
          line, "INSERT takes its rows from a query: table " + insert_.table.name + " gets no facts from it");
    }
    if (!selected(insert_.table)) {
      end_block();
      for (std::uint64_t tuple_line = 0; read_insert_tuple(lexer_, row_, tuple_line) == TupleRead::row;) {
      }
      return;
    }
    std::uint64_t tuple_line = line;
    TupleRead first = TupleRead::row;
    if (insert_.body == InsertStatement::Body::default_values) {
      row_.clear();
    } else {
      // The head up to the first tuple, to know the next INSERT by.
      lexer_.stop_capture();
      const std::string_view head = lexer_.captured();
      head_.assign(head.substr(0, head.size() - lexer_.current().text.size()));
      // A statement cut short in its first tuple gives not even a banner.
      first = read_insert_tuple(lexer_, row_, tuple_line);
      if (first == TupleRead::cut) return cut_short(line, 0);
    }
    // A dump's INSERTs repeat one table and one column list row after row.
    const bool same_as_last = block_.is_open() && insert_.table.name == planned_table_.name &&
                              insert_.table.schema == planned_table_.schema && insert_.columns == planned_columns_;
    if (!same_as_last) {
      open_block(insert_.table, script_encoding_, insert_.columns, true);
      planned_table_ = insert_.table;
      planned_columns_ = insert_.columns;
    }
    if (first == TupleRead::row) write_row(tuple_line, false);
    if (insert_.body == InsertStatement::Body::default_values || first == TupleRead::done) return;
    insert_head_.swap(head_);
    read_tuples(line, 1);
  }

  // The tuples of the INSERT that begins at `line`, after the `written` first.
  void read_tuples(std::uint64_t line, std::uint64_t written = 0) {
    TupleRead read = TupleRead::row;
    for (std::uint64_t tuple_line = 0;
         facts_.ok() && (read = read_insert_tuple(lexer_, row_, tuple_line)) == TupleRead::row; ++written) {
      write_row(tuple_line, false);
    }
    if (read == TupleRead::cut) cut_short(line, written);
  }

  // The script ends inside the INSERT at `line`, whose first `written` rows
  // have their facts by now: a statement may be too long to hold.
  void cut_short(std::uint64_t line, std::uint64_t written) {
    std::string text = "the script ends inside this INSERT, which PostgreSQL refuses: table " + insert_.table.name;
    if (written == 0) {
      text += " gets no facts from it";
    } else {
      text +=
          " has facts from its first " + std::to_string(written) + (written == 1 ? " row" : " rows") + " all the same";
    }
    listener_.warning(line, text);
  }

  bool selected(const QualifiedName& name) const {
    if (tables_ == nullptr) return true;
    const Table* table = catalog_.find_table(name);
    return tables_->selects(table != nullptr ? std::string_view(table->schema) : std::string_view(name.schema),
                            name.name);
  }

  // A block opens for each COPY, and for the first of consecutive
  // INSERTs into one table, whose statement lists `listed` columns.
  void open_block(const QualifiedName& name, const TextEncoding& encoding, const std::vector<std::string>& listed,
                  bool insert) {
    const Table* table = catalog_.find_table(name);
    std::string key = table != nullptr ? table->schema : name.schema;
    key += '\0';
    key += name.name;
    if (block_.is_open() && key == block_key_) return rows_.plan(listed, insert);
    end_block();
    block_key_ = std::move(key);
    block_encoding_ = &encoding;
    rows_.start(table);
    rows_.plan(listed, insert);
    fast_path_.reset();
    // The statement's own bytes, whatever encoding its data comes in.
    const std::string schema = table != nullptr       ? table->schema
                               : !name.schema.empty() ? name.schema
                                                      : catalog_.creation_schema();
    const std::string& functor = functors_.functor(utf8(schema), utf8(name.name),
                                                   [&] { return catalog_.has_table_elsewhere(schema, name.name); });
    describe_columns();
    block_.open(functor, functor, banner_lines_);
    if (predicates_.column_facts) block_.write_column_facts(column_facts_);
  }

  // The statement's bytes as UTF-8.
  std::string utf8(std::string_view bytes) const {
    std::string text;
    script_encoding_.append_utf8(bytes, text);
    return text;
  }

  // The banner's line for each column: its position, name and declared
  // type; and the column facts that say the same.
  void describe_columns() {
    banner_lines_.clear();
    column_names_.clear();
    column_types_.clear();
    column_facts_.clear();
    if (!rows_.known()) return;
    for (std::size_t k = 0; k < rows_.columns(); ++k) {
      column_names_.push_back(utf8(rows_.name(k)));
      column_types_.push_back(utf8(rows_.type_name(k)));
      std::string line = "  " + std::to_string(k + 1) + ". " + quoted_identifier(column_names_.back());
      if (!column_types_.back().empty()) line += ' ' + column_types_.back();
      banner_lines_.push_back(std::move(line));
    }
    for (std::size_t k = 0; k < column_names_.size(); ++k)
      column_facts_.push_back({column_names_[k], column_types_[k]});
  }

  void close_block() { block_.close(rows_.columns(), block_encoding_->name()); }

  void end_block() {
    if (block_.is_open()) close_block();
    insert_head_.clear();
  }

  static bool passes_utf8(const TextEncoding& encoding) {
    return encoding.name() == "UTF8" || encoding.name() == "SQL_ASCII";
  }

  // A COPY data line as the server reads it, in UTF-8.
  std::string_view in_utf8(std::string_view line) {
    if (!convert_lines_) return line;
    converted_.clear();
    block_encoding_->append_utf8(line, converted_);
    return converted_;
  }

  static std::size_t count_fields(std::string_view row, char delimiter) {
    return static_cast<std::size_t>(std::count(row.begin(), row.end(), delimiter)) + 1;
  }

  void write_row(std::uint64_t line, bool copy) {
    if (!rows_.known()) rows_.set_text_columns(row_.count);
    const bool as_list = block_.start_fact(rows_.columns(), line);
    const TextEncoding& encoding = copy && convert_lines_ ? utf8_ : *block_encoding_;
    block_.count_row(
        rows_.write(row_, copy, block_.functor(), encoding, catalog_, facts_, as_list, predicates_.dialect), line);
  }

  SqlLexer lexer_;
  FactWriter& facts_;
  ConversionListener& listener_;
  const TableSelection* tables_;
  PredicateOptions predicates_;
  Catalog catalog_;
  TableFunctors functors_;
  TextEncoding script_encoding_, copy_encoding_, utf8_;
  EscapesInScriptEncoding escapes_{script_encoding_};
  CopyStatement copy_;
  InsertStatement insert_;

  // The open block.
  BlockWriter block_;
  std::string block_key_;
  std::vector<std::string> banner_lines_, column_names_, column_types_;
  std::vector<ColumnFact> column_facts_;
  const TextEncoding* block_encoding_ = &script_encoding_;
  TableRows rows_;
  std::optional<TypedRowConversion> fast_path_;
  QualifiedName planned_table_;  // of the INSERT the columns were planned for
  std::vector<std::string> planned_columns_;
  std::string insert_head_;  // `INSERT INTO t VALUES ` as the last INSERT spelled it
  std::string head_;         // the head of the INSERT being read

  // Scratch kept from row to row.
  RowFields row_;
  std::string record_, quoted_, converted_;
  bool convert_lines_ = false;  // the open COPY's lines are not UTF-8
};

}  // namespace

ScanStatus convert_script(LineReader& script, FactWriter& facts, std::string_view encoding,
                          const TableSelection* tables, ConversionListener& listener, PredicateOptions predicates) {
  // Large: its scratch and catalog live on the heap.
  auto conversion = std::make_unique<ScriptConversion>(script, facts, encoding, tables, listener, predicates);
  return conversion->run();
}

}  // namespace pgdump2pl
