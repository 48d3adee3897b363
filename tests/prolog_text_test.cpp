#include "facts/prolog_text.h"

#include <gtest/gtest.h>

#include <string>

namespace pgdump2pl {
namespace {

std::string quoted_atom(std::string_view text) {
  std::string out(quoted_size_bound(text.size()), '\0');
  out.resize(static_cast<std::size_t>(write_quoted(out.data(), text) - out.data()));
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
  EXPECT_EQ(quoted_atom(std::string(1000, '\'')).size(), quoted_size_bound(1000));
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
