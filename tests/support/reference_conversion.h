#pragma once

// A slow, plain conversion written straight from the converter's rules:
// one byte at a time, std::string everywhere, nothing shared with the real
// code. Random dumps must convert to the same bytes with both.

#include <cstdint>
#include <string>
#include <string_view>

namespace pgdump2pl::testing {

class ReferenceConversion {
 public:
  static std::string convert(std::string_view dump) {
    ReferenceConversion conversion(dump);
    conversion.run();
    return conversion.out_;
  }

 private:
  explicit ReferenceConversion(std::string_view dump) : in_(dump) {}

  static bool space(int c) { return c == ' ' || (c >= 9 && c <= 13); }
  bool at_end() const { return pos_ >= in_.size(); }
  int peek() const { return at_end() ? -1 : static_cast<unsigned char>(in_[pos_]); }

  // The rest of the current line, its line end consumed.
  std::string_view take_line() {
    const std::size_t nl = in_.find('\n', pos_);
    const std::size_t end = nl == std::string_view::npos ? in_.size() : nl;
    const std::string_view line = in_.substr(pos_, end - pos_);
    pos_ = nl == std::string_view::npos ? in_.size() : nl + 1;
    return line;
  }

  void run() {
    while (!at_end()) {
      const std::string_view head = in_.substr(pos_, 5);
      if (head.substr(0, 4) != "COPY" || (head.size() == 5 && !space(head[4]))) {
        take_line();
        continue;
      }
      pos_ += 4;
      while (space(peek())) ++pos_;
      if (peek() == '"') {
        ++pos_;
        while (space(peek())) ++pos_;
        if (!at_end()) {
          token_.clear();
          while (!at_end() && !space(peek())) token_ += in_[pos_++];
        }
        start(quoted_name(token_));
        take_line();
      } else {
        const bool had_line = !at_end();
        const std::string_view rest = take_line();
        start(identifier_name(rest));
        if (had_line && rest.substr(0, 2) == "\\.") continue;
      }
      rows();
    }
  }

  static std::string quoted_name(std::string word) {
    word = word.substr(0, word.find('\0'));
    const std::size_t dot = word.rfind("\".\"");
    if (dot != std::string::npos) word = word.substr(dot + 3);
    if (!word.empty()) word.pop_back();
    return word;
  }

  static std::string identifier_name(std::string_view rest) {
    std::string ident;
    bool quoted = false;
    for (const char c : rest) {
      if (c == '\r' || c == '\0' || (!quoted && (space(c) || c == '('))) break;
      if (c == '"') quoted = !quoted;
      if (!quoted && c == '.') {
        ident.clear();
      } else {
        ident += c;
      }
    }
    // Each quoted part runs to the next lone quote; "" inside it is one.
    std::string name;
    for (std::size_t i = 0; i < ident.size();) {
      if (ident[i] != '"') {
        name += ident[i++];
        continue;
      }
      for (++i; i < ident.size(); ++i) {
        if (ident[i] != '"') {
          name += ident[i];
        } else if (ident.compare(i, 2, "\"\"") == 0) {
          name += '"';
          ++i;
        } else {
          ++i;
          break;
        }
      }
    }
    return name;
  }

  void start(const std::string& name) {
    name_ = name;
    out_ += "/**\n * Table " + name + "\n */\n\n";
  }

  void rows() {
    std::int64_t count = 0;
    while (!at_end()) {
      const std::string_view line = take_line();
      if (line.substr(0, 2) == "\\.") break;
      convert_row(std::string(line.substr(0, line.find('\0'))));
      ++count;
    }
    out_ += "/* (" + std::to_string(count) + " entrees) */\n\n\n";
  }

  // Field layouts: 't' a text slot, 'i' an integer slot, then its number.
  static const char* layout(const std::string& name) {
    const std::pair<std::string_view, const char*> rules[] = {
        {"s", "t1i1"}, {"i", "i1t1t2i2"}, {"pa", "i1t1i2i3"}, {"f", "t1t2i2"}, {"d", "i1"},
        {"pr", "t1i1"}, {"h", "i1i2i3"},  {"m", "t1i1"},      {"t", "i1i2i3"}, {"a", "i1i2i3i4"}};
    for (const auto& [key, fields] : rules) {
      if (name.starts_with(key)) return fields;
    }
    return nullptr;
  }

  void convert_row(const std::string& row) {
    const char* fields = layout(name_);
    if (fields == nullptr) return;
    std::size_t at = 0;
    for (const char* f = fields; *f != '\0'; f += 2) {
      const int slot = f[1] - '1';
      if (!(f[0] == 't' ? read_text(row, at, txt_[slot]) : read_integer(row, at, ent_[slot]))) break;
    }
    std::string fact = plain_atom(name_) ? name_ : quoted(name_);
    for (const char* f = fields; *f != '\0'; f += 2) {
      const int slot = f[1] - '1';
      fact += f == fields ? "(" : ",";
      fact += f[0] == 't' ? quoted(txt_[slot]) : std::to_string(ent_[slot]);
    }
    out_ += fact + ").\n";
  }

  static bool read_text(const std::string& row, std::size_t& at, std::string& slot) {
    while (at < row.size() && space(row[at])) ++at;
    std::string word;
    while (at < row.size() && !space(row[at])) word += row[at++];
    if (word.empty()) return false;
    slot = word;
    return true;
  }

  static int digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
  }

  static bool read_integer(const std::string& row, std::size_t& at, std::int64_t& slot) {
    while (at < row.size() && space(row[at])) ++at;
    std::size_t p = at;
    auto byte = [&](std::size_t i) { return i < row.size() ? row[i] : '\0'; };
    const bool negative = byte(p) == '-';
    if (byte(p) == '-' || byte(p) == '+') ++p;
    int base = 10;
    if (byte(p) == '0' && (byte(p + 1) == 'x' || byte(p + 1) == 'X')) {
      if (digit(byte(p + 2)) >= 16) return false;
      base = 16;
      p += 2;
    } else if (byte(p) == '0') {
      base = 8;
    }
    if (digit(byte(p)) >= base) return false;
    __int128 value = 0;
    for (; digit(byte(p)) < base; ++p) {
      value = value * base + digit(byte(p));
      if (value > (__int128{1} << 64)) value = __int128{1} << 64;  // far enough past either bound
    }
    if (negative) value = -value;
    const __int128 low = INT64_MIN, high = INT64_MAX;
    slot = static_cast<std::int64_t>(value < low ? low : value > high ? high : value);
    at = p;
    return true;
  }

  static bool plain_atom(const std::string& name) {
    if (name.empty() || name[0] < 'a' || name[0] > 'z') return false;
    for (const char c : name) {
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
      if (static_cast<unsigned char>(c) >= 128) return false;
    }
    return true;
  }

  static std::string quoted(const std::string& text) {
    std::string out = "'";
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '\'') {
        out += "\\'";
      } else if (c == '\\' && i + 1 < text.size() && std::string_view("\\bfnrtv").find(text[i + 1]) != std::string_view::npos) {
        out += c;
        out += text[++i];
      } else if (c == '\\') {
        out += "\\\\";
      } else {
        out += c;
      }
    }
    return out + "'";
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  std::string out_;
  std::string token_;
  std::string name_;
  std::string txt_[2];
  std::int64_t ent_[4] = {};
};

}  // namespace pgdump2pl::testing
