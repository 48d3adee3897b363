#include "sql/copy_statement.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "io/line_reader.h"
#include "io/memory_source.h"
#include "sql/object_names.h"

namespace pgdump2pl {
namespace {

bool at_end_of_statement(const Token& token) {
  return token.kind == TokenKind::end || token.kind == TokenKind::meta_command || token.is_symbol(";");
}

// `( name, ... )` at the current token, unquoted as the lexer gives them.
bool read_name_list(SqlLexer& lexer, std::vector<std::string>& names) {
  names.clear();
  if (!lexer.current().is_symbol("(")) return false;
  for (lexer.advance(); !at_end_of_statement(lexer.current()); lexer.advance()) {
    const Token& token = lexer.current();
    if (token.is_symbol(")")) {
      lexer.advance();
      return true;
    }
    if (token.kind == TokenKind::word || token.kind == TokenKind::quoted_name) names.emplace_back(token.text);
  }
  return false;
}

// An option's value: a string, a number or a word; `[AS]` before it.
bool read_option_value(SqlLexer& lexer, std::string& value) {
  if (lexer.current().is_word("as")) lexer.advance();
  const Token& token = lexer.current();
  if (token.kind != TokenKind::string && token.kind != TokenKind::number && token.kind != TokenKind::word) return false;
  value.assign(token.text);
  lexer.advance();
  return true;
}

bool is_true(std::string_view value) {
  return value == "true" || value == "on" || value == "1" || value == "match" || value.empty();
}

// One byte, as the delimiter, quote and escape must be.
void set_byte(char& target, const std::string& value) {
  if (value.size() == 1) target = value[0];
}

class OptionReader {
 public:
  OptionReader(SqlLexer& lexer, CopyFormat& format) : lexer_(lexer), format_(format) {}

  // The options in parentheses: `(FORMAT csv, HEADER, NULL 'x', ...)`.
  void read_list() {
    lexer_.advance();
    while (!at_end_of_statement(lexer_.current()) && !lexer_.current().is_symbol(")")) {
      const std::string option(lexer_.current().text);
      lexer_.advance();
      std::string value;
      if (lexer_.current().is_symbol("(")) {
        std::vector<std::string> columns;
        read_name_list(lexer_, columns);
        if (option == "force_null") format_.force_null = std::move(columns);
        if (option == "force_not_null") format_.force_not_null = std::move(columns);
      } else if (!lexer_.current().is_symbol(",") && !lexer_.current().is_symbol(")")) {
        if (lexer_.current().is_symbol("*")) lexer_.advance();
        else read_option_value(lexer_, value);
      }
      apply(option, value);
      if (lexer_.current().is_symbol(",")) lexer_.advance();
    }
    if (lexer_.current().is_symbol(")")) lexer_.advance();
  }

  // The old syntax: `DELIMITER AS '|' NULL AS '' CSV HEADER QUOTE AS '"' ...`.
  void read_words() {
    for (;;) {
      const Token& token = lexer_.current();
      if (token.kind != TokenKind::word || token.is_word("where")) return;
      const std::string option(token.text);
      lexer_.advance();
      std::string value;
      if (option == "delimiter" || option == "delimiters" || option == "null" || option == "quote" ||
          option == "escape" || option == "encoding") {
        if (!read_option_value(lexer_, value)) return;
        apply(option == "delimiters" ? "delimiter" : option, value);
      } else if (option == "csv" || option == "binary") {
        apply("format", option);
      } else if (option == "header") {
        format_.header = true;
      } else if (option == "force") {
        read_force();
      } else if (option != "with" && option != "using" && option != "freeze" && option != "oids") {
        return;
      }
    }
  }

 private:
  void read_force() {
    std::vector<std::string>* target = nullptr;
    if (lexer_.current().is_word("not")) {
      lexer_.advance();
      target = &format_.force_not_null;
    } else if (!lexer_.current().is_word("null")) {
      target = nullptr;  // FORCE QUOTE only matters to COPY TO
    } else {
      target = &format_.force_null;
    }
    if (lexer_.current().kind == TokenKind::word) lexer_.advance();  // NULL or QUOTE
    if (lexer_.current().is_symbol("*")) {
      lexer_.advance();
      return;
    }
    for (;;) {
      const Token& name = lexer_.current();
      if (name.kind != TokenKind::word && name.kind != TokenKind::quoted_name) return;
      if (target != nullptr) target->emplace_back(name.text);
      lexer_.advance();
      if (!lexer_.current().is_symbol(",")) return;
      lexer_.advance();
    }
  }

  void apply(std::string_view option, const std::string& value) {
    if (option == "format") {
      const bool csv = value == "csv";
      format_.kind = csv                 ? CopyFormat::Kind::csv
                     : value == "binary" ? CopyFormat::Kind::binary
                                         : CopyFormat::Kind::text;
      if (csv && !delimiter_set_) format_.delimiter = ',';
      if (csv && !null_set_) format_.null_string.clear();
    } else if (option == "delimiter") {
      set_byte(format_.delimiter, value);
      delimiter_set_ = true;
    } else if (option == "null") {
      format_.null_string = value;
      null_set_ = true;
    } else if (option == "header") {
      format_.header = is_true(value);
    } else if (option == "quote") {
      set_byte(format_.quote, value);
      if (!escape_set_) format_.escape = format_.quote;
    } else if (option == "escape") {
      set_byte(format_.escape, value);
      escape_set_ = true;
    } else if (option == "encoding") {
      format_.encoding = value;
    }
  }

  SqlLexer& lexer_;
  CopyFormat& format_;
  bool delimiter_set_ = false, null_set_ = false, escape_set_ = false;
};

}  // namespace

bool read_slash_copy(std::string_view command, bool standard_conforming_strings, CopyStatement& copy) {
  MemorySource source(command);
  LineReader lines(source, command.size() + 1);
  SqlLexer lexer(lines);
  lexer.set_standard_conforming_strings(standard_conforming_strings);
  lexer.advance();
  return read_copy_statement(lexer, copy);
}

bool read_copy_statement(SqlLexer& lexer, CopyStatement& copy) {
  copy = CopyStatement{};
  lexer.advance();
  if (lexer.current().is_word("binary")) {
    copy.format.kind = CopyFormat::Kind::binary;
    lexer.advance();
  }
  if (!read_qualified_name(lexer, copy.table)) {
    lexer.skip_statement();
    return false;
  }
  if (lexer.current().is_symbol("(") && !read_name_list(lexer, copy.columns)) {
    lexer.skip_statement();
    return false;
  }
  if (lexer.current().is_word("with")) {
    lexer.advance();
    if (lexer.current().is_word("oids")) lexer.advance();
  }
  if (!lexer.current().is_word("from")) {
    lexer.skip_statement();
    return false;
  }
  lexer.advance();
  const Token& source = lexer.current();
  copy.source = source.is_word("stdin") ? CopyStatement::Source::stdin : CopyStatement::Source::outside;
  if (source.is_word("program")) lexer.advance();
  if (!at_end_of_statement(lexer.current())) lexer.advance();
  OptionReader options(lexer, copy.format);
  if (lexer.current().is_word("with")) lexer.advance();
  if (lexer.current().is_symbol("(")) {
    options.read_list();
  } else {
    options.read_words();
  }
  copy.filtered = lexer.current().is_word("where");
  lexer.skip_statement();
  return true;
}

}  // namespace pgdump2pl
