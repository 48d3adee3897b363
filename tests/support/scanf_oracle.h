#pragma once

// What the converter must write for the rows of a table, found the plain
// way: the C library's sscanf reads each field into slots that every row
// of every table shares, and the fact is quoted byte by byte.

#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "layouts/conversion_rules.h"
#include "support/in_memory.h"

namespace pgdump2pl::testing {

struct OracleSlots {
  std::string texts[2];
  long long integers[4] = {};
};

inline std::string prolog_quoted(std::string_view text) {
  std::string out = "'";
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() &&
        std::string_view("\\bfnrtv").find(text[i + 1]) != std::string_view::npos) {
      out += text.substr(i++, 2);
    } else {
      out += text[i] == '\'' ? "\\'" : text[i] == '\\' ? "\\\\" : std::string(1, text[i]);
    }
  }
  return out + "'";
}

inline std::string functor(std::string_view name) {
  bool plain = !name.empty() && name[0] >= 'a' && name[0] <= 'z';
  for (const char c : name) plain = plain && c >= 0 && (std::isalnum(c) || c == '_');
  return plain ? std::string(name) : prolog_quoted(name);
}

// glibc reads a bare "0x" as 0, where the field must fail.
inline bool bare_hex_prefix(const char* p) {
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  if (*p == '+' || *p == '-') ++p;
  return p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && !std::isxdigit(static_cast<unsigned char>(p[2]));
}

// The fact of one row, which like any C text ends at a zero byte; empty
// when no rule covers the table.
inline std::string oracle_fact(std::string_view table, const std::string& row, OracleSlots& slots) {
  const ConversionRule* rule = nullptr;
  for (const ConversionRule& r : kConversionRules) {
    if (rule == nullptr && table.starts_with(r.key)) rule = &r;
  }
  if (rule == nullptr) return "";
  std::string fact = functor(table);
  const char* p = row.c_str();
  bool reading = true;
  for (std::size_t f = 0; f < rule->field_count; ++f) {
    const auto i = static_cast<std::size_t>(rule->slots[f]);
    int used = 0;
    fact += f == 0 ? "(" : ",";
    if (is_text(rule->slots[f])) {
      std::vector<char> word(row.size() + 1);
      reading = reading && std::sscanf(p, "%s%n", word.data(), &used) == 1;
      if (reading) slots.texts[i] = word.data();
      fact += prolog_quoted(slots.texts[i]);
    } else {
      long long value = 0;
      reading = reading && !bare_hex_prefix(p) && std::sscanf(p, "%lli%n", &value, &used) == 1;
      if (reading) slots.integers[i - 2] = value;
      fact += std::to_string(slots.integers[i - 2]);
    }
    p += used;
  }
  return fact + ").\n";
}

// A block of rows as a dump holds it, and the facts it must give.
inline void add_block(std::string_view table, const std::vector<std::string>& rows, OracleSlots& slots,
                      std::string& dump, std::string& facts) {
  dump += "COPY \"" + std::string(table) + "\" FROM stdin;\n";
  facts += banner(table);
  for (const std::string& row : rows) {
    dump += row + "\n";
    facts += oracle_fact(table, row, slots);
  }
  dump += "\\.\n";
  facts += count(static_cast<int>(rows.size()));
}

}  // namespace pgdump2pl::testing
