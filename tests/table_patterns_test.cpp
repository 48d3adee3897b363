// -t and -T patterns against the names PostgreSQL stores, each case as
// pg_dump 15 selects tables with it (tables in public and in schemas
// other, "Other"), but for the unqualified patterns in other schemas:
// pg_dump looks only in the schemas of its search path, which a dump
// does not tell.
#include "cli/table_patterns.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pgdump2pl::testing {
namespace {

TEST(TablePatterns, MatchAsPgDumpMatches) {
  const struct {
    const char* pattern;
    const char* schema;
    const char* table;
    bool matches;
  } cases[] = {
      {"sites", "public", "sites", true},
      {"SITES", "public", "sites", true},
      {"ZONES", "public", "zones", true},
      {"Sites", "public", "Sites", false},
      {"\"Sites\"", "public", "Sites", true},
      {"\"Sites\"", "public", "sites", false},
      {"\"crawl\"QUEUE", "public", "crawlqueue", true},
      {"\"Crawl\"Queue", "public", "CrawlQueue", false},
      {"si\"tes\"", "public", "sites", true},
      {"\"sites", "public", "sites", true},  // an unclosed quote ends with the pattern
      {"sites", "other", "sites", true},
      {"site?", "public", "sites", true},
      {"site?", "public", "site", false},
      {"site*", "public", "site", true},
      {"site*", "public", "sitemap", true},
      {"s*s", "public", "sites", true},
      {"s*s", "public", "sitemap", false},
      {"*s*s*", "public", "sitemaps", true},
      {"*ab*ab", "public", "xabxab", true},
      {"*ab*ab", "public", "xabxa", false},
      {"?t?", "public", "\xc3\xa9t\xc3\xa9", true},  // été: ? is a character, not a byte
      {"??t??", "public", "\xc3\xa9t\xc3\xa9", false},
      {"\xc3\x89T\xc3\x89", "public", "\xc3\x89t\xc3\x89", true},  // ÉTÉ: only ASCII letters fold
      {"\xc3\x89T\xc3\x89", "public", "\xc3\xa9t\xc3\xa9", false},
      // pg_dump does not cut a pattern to the 63 bytes of a stored name
      {"t123456789t123456789t123456789t123456789t123456789t123456789t123456789", "public",
       "t123456789t123456789t123456789t123456789t123456789t123456789t12", false},
      {"x*y", "public", "x?y", true},
      {"\"x*y\"", "public", "xzy", false},
      {"\"x*y\"", "public", "x*y", true},
      {"\"x?y\"", "public", "xzy", false},
      {"a.b", "public", "a.b", false},
      {"\"a.b\"", "public", "a.b", true},
      {"q$1", "public", "q$1", true},
      {"\"say\"\"hi\"", "public", "say\"hi", true},
      {"say\"\"\"hi\"", "public", "say\"hi", true},
      {"arr[]", "public", "arr[]", true},
      {"public.sites", "public", "sites", true},
      {"public.sites", "other", "sites", false},
      {"*.sites", "Other", "sites", true},
      {"Other.sites", "Other", "sites", false},
      {"Other.sites", "other", "sites", true},
      {"\"Other\".*", "Other", "Mixed", true},
      {"*.Mixed", "Other", "Mixed", false},
      {"other.pages_????", "other", "pages_2020", true},
      {"public.*", "public", "x", true},
      {"public.", "public", "sites", false},
      {".sites", "public", "sites", false},
      {"", "public", "sites", false},
      {"s\"*\"", "public", "sites", false},
      {"t.public.sites", "public", "sites", true},
  };
  for (const auto& c : cases) {
    TablePattern pattern;
    ASSERT_EQ(pattern.read(c.pattern).status, PatternStatus::ok) << c.pattern;
    EXPECT_EQ(pattern.matches(c.schema, c.table), c.matches) << c.pattern << " on " << c.schema << '.' << c.table;
  }
}

TEST(TablePatterns, RefuseWhatPgDumpReadsAsRegularExpressions) {
  const struct {
    const char* pattern;
    PatternReading reading;
  } cases[] = {
      {"site[s]", {4, PatternStatus::regular_expression}},
      {"a|b", {1, PatternStatus::regular_expression}},
      {"\"a|b\".(x)", {6, PatternStatus::regular_expression}},
      {"a.b.c.d", {5, PatternStatus::too_many_dots}},
  };
  for (const auto& c : cases) {
    const PatternReading reading = TablePattern().read(c.pattern);
    EXPECT_EQ(reading.status, c.reading.status) << c.pattern;
    EXPECT_EQ(reading.position, c.reading.position) << c.pattern;
  }
}

TEST(TablePatterns, ExcludedTablesWinOverIncludedOnes) {
  const struct {
    std::vector<const char*> include, exclude;
    std::string selected;
  } cases[] = {
      {{}, {}, "sites sitemap hits other.sites"},
      {{"site*"}, {}, "sites sitemap other.sites"},
      {{"site*", "hits"}, {}, "sites sitemap hits other.sites"},
      {{}, {"sites"}, "sitemap hits"},
      {{"site*"}, {"other.*", "sitemap"}, "sites"},
      {{"nothing"}, {}, ""},
  };
  const char* const tables[][2] = {{"public", "sites"}, {"public", "sitemap"}, {"public", "hits"}, {"other", "sites"}};
  for (const auto& c : cases) {
    TableFilter filter;
    for (const char* pattern : c.include) filter.include(pattern);
    for (const char* pattern : c.exclude) filter.exclude(pattern);
    std::string selected;
    for (const auto& [schema, table] : tables) {
      if (!filter.selects(schema, table)) continue;
      if (!selected.empty()) selected += ' ';
      selected += std::string(schema) == "public" ? table : std::string(schema) + '.' + table;
    }
    EXPECT_EQ(selected, c.selected);
  }
}

}  // namespace
}  // namespace pgdump2pl::testing
