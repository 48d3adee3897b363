#include "facts/prolog_text.h"

#include <gtest/gtest.h>

#include <string>

namespace pgdump2pl {
namespace {

std::string quoted_atom(std::string_view text) {
  const std::string padded = std::string(text) + std::string(kReadSlack, '\0');
  std::string out(quoted_size_bound(text.size()), '\0');
  const char* end = write_quoted(out.data(), {padded.data(), text.size()});
  out.resize(static_cast<std::size_t>(end - out.data()));
  return out;
}

TEST(WriteQuoted, EscapesWhatPrologWouldMisread) {
  const struct {
    std::string_view text, expected;
  } cases[] = {
      {"", "''"},
      {"alpha", "'alpha'"},
      {"l'eau", "'l\\'eau'"},
      {"''", "'\\'\\''"},
      {"\\N", "'\\\\N'"},                  // the null marker
      {"a\\tb", "'a\\tb'"},                // the dump's escapes mean the same to Prolog
      {"\\b\\f\\n\\r\\t\\v", "'\\b\\f\\n\\r\\t\\v'"},
      {"a\\\\b", "'a\\\\b'"},              // an escaped backslash stays one pair
      {"\\\\\\N", "'\\\\\\\\N'"},          // pair, then a lone backslash
      {"end\\", "'end\\\\'"},
      {"\\'", "'\\\\\\''"},
      {"\\x41\\0", "'\\\\x41\\\\0'"},
      {"\x01\x7f\xc3\xa9", "'\x01\x7f\xc3\xa9'"},
  };
  for (const auto& c : cases) EXPECT_EQ(quoted_atom(c.text), c.expected) << c.text;
  EXPECT_EQ(quoted_atom(std::string(1000, '\'')).size(), 2002u);
  // Escapes at every offset of the eight-byte blocks, in texts that end
  // at every offset too.
  for (std::size_t size = 1; size < 20; ++size) {
    for (std::size_t at = 0; at < size; ++at) {
      std::string text(size, 'x');
      text[at] = '\'';
      std::string expected(1, '\'');
      expected.append(text, 0, at).append(1, '\\').append(text, at).append(1, '\'');
      EXPECT_EQ(quoted_atom(text), expected) << size << " " << at;
    }
  }
}

TEST(WriteQuotedWord, ReadsAWordAndQuotesItInOnePass) {
  const struct {
    std::string_view row, quoted, rest;
  } cases[] = {
      {"alpha\t7", "'alpha'", "\t7"},
      {"l'eau\\N x", "'l\\'eau\\\\N'", " x"},
      {"a\\tb\n", "'a\\tb'", "\n"},
      {"end\\", "'end\\\\'", ""},
      {"\x80\xff\x01\x1f\r", "'\x80\xff\x01\x1f'", "\r"},  // high and control bytes are word bytes
      {"http://a.example/index.html?q=1&r='2'\t3", "'http://a.example/index.html?q=1&r=\\'2\\''", "\t3"},
  };
  for (const auto& c : cases) {
    const std::string row = std::string(c.row) + std::string(kReadSlack + 1, '\0');
    std::string out(quoted_size_bound(c.row.size()), '\0');
    const char* word_end = nullptr;
    out.resize(static_cast<std::size_t>(write_quoted_word(out.data(), row.data(), word_end) - out.data()));
    EXPECT_EQ(out, c.quoted) << c.row;
    EXPECT_EQ(std::string_view(word_end), c.rest) << c.row;
  }
  // Words across the eight-byte blocks, ended at every offset by each kind
  // of byte that ends a word, or passed over by a control byte.
  for (std::size_t at = 1; at < 20; ++at) {
    for (const char end : {'\0', '\t', '\n', '\r', ' ', '\x01', '\x1f', '\''}) {
      std::string row = std::string(24, 'w') + std::string(kReadSlack + 1, '\0');
      row[at] = end;
      std::string out(quoted_size_bound(24), '\0');
      const char* word_end = nullptr;
      out.resize(static_cast<std::size_t>(write_quoted_word(out.data(), row.data(), word_end) - out.data()));
      const bool ends = end == '\0' || end == ' ' || (end >= '\t' && end <= '\r');
      const std::size_t length = ends ? at : 24;
      EXPECT_EQ(word_end, row.data() + length) << at << " " << int{end};
      EXPECT_EQ(out, quoted_atom(row.substr(0, length))) << at << " " << int{end};
    }
  }
}

TEST(FunctorFor, QuotesAllButPlainAtoms) {
  const struct {
    std::string_view name, functor;
  } cases[] = {
      {"sites", "sites"},
      {"s_2Ab", "s_2Ab"},
      {"a", "a"},
      {"Sites", "'Sites'"},
      {"_s", "'_s'"},
      {"2s", "'2s'"},
      {"s-x", "'s-x'"},
      {"sample\"", "'sample\"'"},
      {"s'x", "'s\\'x'"},
      {"s\xc3\xa9", "'s\xc3\xa9'"},
      {"", "''"},
  };
  for (const auto& c : cases) EXPECT_EQ(functor_for(c.name), c.functor) << c.name;
}

}  // namespace
}  // namespace pgdump2pl
