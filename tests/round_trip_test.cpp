// Both ends with the real programs: dumps that pg_dump really wrote
// (tests/fixtures) go through the real binary, and SWI-Prolog loads the
// facts. Each table's facts are then held against the table as the server
// exported it (tests/fixtures/exports/TABLE.copy, COPY TO text format).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/process.h"

namespace {

using namespace pgdump2pl::testing;
using Fields = std::vector<std::string>;

const fs::path kFixtures = PGDUMP2PL_FIXTURES;

// Each fixture table and the kinds of the fields its facts carry (t text,
// i integer); an empty string for the tables that get no facts.
const std::map<std::string, std::string> kLayouts = {
    {"sites", "ti"},      {"inlinks", "itti"}, {"pages", "itii"},   {"files", "tti"},
    {"depths", "i"},      {"proxies", "ti"},   {"hits", "iii"},     {"mimetypes", "ti"},
    {"timings", "iii"},   {"timings-2023", "iii"}, {"anchors", "iiii"},
    {"CrawlQueue", ""},   {"robots_exclusions", ""}, {"politeness", ""}, {"crawl_errors", ""},
};

Fields split(const std::string& text, char separator) {
  Fields parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  if (!text.empty() && text.back() == separator) parts.emplace_back();
  return parts;
}

Fields lines_of(const fs::path& path) {
  Fields lines = split(slurp(path), '\n');
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

std::string find_in_path(const std::string& program) {
  const char* path = std::getenv("PATH");
  for (const auto& dir : split(path != nullptr ? path : "/usr/bin:/bin", ':')) {
    const fs::path candidate = fs::path(dir.empty() ? "." : dir) / program;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return {};
}

// A field of COPY text format as the bytes stored in the table.
std::string decode_copy_text(const std::string& field) {
  std::string bytes;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      bytes += field[i];
      continue;
    }
    switch (const char c = field[++i]) {
      case 'b': bytes += '\b'; break;
      case 'f': bytes += '\f'; break;
      case 'n': bytes += '\n'; break;
      case 'r': bytes += '\r'; break;
      case 't': bytes += '\t'; break;
      case 'v': bytes += '\v'; break;
      default: bytes += c;
    }
  }
  return bytes;
}

std::string hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

// Whether scanf-style reading gives back every field of the row as stored:
// no NULL, no empty field, no raw white space inside a field.
bool reads_cleanly(const Fields& row, std::size_t layout_size) {
  if (row.size() != layout_size) return false;
  for (const auto& field : row) {
    if (field.empty() || field == "\\N" || field.find_first_of(" \n\v\f\r") != std::string::npos) return false;
  }
  return true;
}

// The fact as print_facts.pl prints it, for a row that reads cleanly.
Fields expected_arguments(const Fields& row, const std::string& layout) {
  Fields args;
  for (std::size_t i = 0; i < row.size(); ++i) {
    args.push_back(layout[i] == 't' ? "t:" + hex(decode_copy_text(row[i])) : "i:" + row[i]);
  }
  return args;
}

struct Block {
  std::size_t fact_lines = 0;
  long count = -1;
};

// The fact file's blocks by table: banner, fact lines, "(N entrees)".
std::map<std::string, Block> blocks_of(const Fields& lines) {
  std::map<std::string, Block> blocks;
  for (std::size_t i = 0; i + 3 < lines.size(); ++i) {
    if (lines[i] != "/**" || lines[i + 1].rfind(" * Table ", 0) != 0 || lines[i + 2] != " */" ||
        !lines[i + 3].empty()) {
      continue;
    }
    Block& block = blocks[lines[i + 1].substr(9)];
    for (i += 4; i < lines.size() && lines[i].rfind("/* (", 0) != 0; ++i) ++block.fact_lines;
    if (i < lines.size()) block.count = std::strtol(lines[i].c_str() + 4, nullptr, 10);
  }
  return blocks;
}

class ScratchDir : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    facts = dir / "facts.pl";
  }

  void convert(const std::string& dump) {
    const Outcome r = run({PGDUMP2PL_BINARY, (kFixtures / dump).string(), facts.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
  }

  fs::path facts;
};

class RoundTrip : public ScratchDir, public ::testing::WithParamInterface<const char*> {};

TEST_P(RoundTrip, FactsLoadIntoPrologAndGiveBackEveryCleanRow) {
  const std::string swipl = find_in_path("swipl");
  if (swipl.empty()) {
    GTEST_SKIP() << "swipl not found in PATH (Debian: swi-prolog-nox)";
  }
  ASSERT_NO_FATAL_FAILURE(convert(GetParam()));

  const Outcome loaded = run({swipl, "-q", "-f", "none", "--no-packs", "--on-error=status", "--on-warning=status",
                              "-g", "main", "-t", "halt", PGDUMP2PL_PRINT_FACTS, "--", facts.string()});
  ASSERT_EQ(loaded.status, 0) << loaded.err;
  ASSERT_EQ(loaded.err, "");
  std::map<std::string, std::vector<Fields>> prolog;
  for (const auto& line : split(loaded.out, '\n')) {
    if (line.empty()) continue;
    Fields parts = split(line, '\t');
    prolog[parts.front()].emplace_back(parts.begin() + 1, parts.end());
  }

  const auto blocks = blocks_of(lines_of(facts));
  std::size_t tables = 0;
  for (const auto& entry : fs::directory_iterator(kFixtures / "exports")) {
    const std::string table = entry.path().stem().string();
    SCOPED_TRACE(table);
    ++tables;
    const auto layout = kLayouts.find(table);
    ASSERT_NE(layout, kLayouts.end()) << "a fixture table this test does not know";
    const Fields rows = lines_of(entry.path());
    const auto block = blocks.find(table);
    ASSERT_NE(block, blocks.end()) << "no block in the fact file";
    EXPECT_EQ(block->second.count, static_cast<long>(rows.size()));
    EXPECT_EQ(block->second.fact_lines, layout->second.empty() ? 0 : rows.size());

    const std::vector<Fields>& facts_of_table = prolog[table];
    ASSERT_EQ(facts_of_table.size(), layout->second.empty() ? 0 : rows.size());
    std::size_t clean = 0;
    for (std::size_t r = 0; r < facts_of_table.size(); ++r) {
      EXPECT_EQ(facts_of_table[r].size(), layout->second.size()) << "row " << r + 1;
      const Fields row = split(rows[r], '\t');
      if (!reads_cleanly(row, layout->second.size())) continue;
      ++clean;
      EXPECT_EQ(facts_of_table[r], expected_arguments(row, layout->second)) << "row " << r + 1 << ": " << rows[r];
    }
    if (!facts_of_table.empty()) {
      EXPECT_GT(clean, 0U) << "no row compared";
    }
  }
  EXPECT_EQ(tables, kLayouts.size());
  EXPECT_EQ(blocks.size(), kLayouts.size());
}

// A table name is the dump's to choose, and loading the facts must never
// run it: each name here would run a goal that creates the file
// `injected` if its banner let it out of the comment.
TEST_F(ScratchDir, NoTableNameRunsWhenTheFactsAreLoaded) {
  const std::string swipl = find_in_path("swipl");
  if (swipl.empty()) {
    GTEST_SKIP() << "swipl not found in PATH (Debian: swi-prolog-nox)";
  }
  const std::string goal = "open(injected,write,S),close(S),format(user_error,'INJECTED~n',[])";
  const std::string names[] = {
      "\"x*/:-" + goal + ".%\"",
      "public.\"x*/ :- " + goal + ". %\" (a)",
      "\"s*/\"",
      "\"s/*\"",
      "\"x/*y\"",
      "\"a*/*/b\"",
  };
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    put(dir / "dump.sql", "COPY " + name + " FROM stdin;\n1\t2\t3\t4\n\\.\nCOPY sites FROM stdin;\nlast\t1\n\\.\n");
    const Outcome converted = run({PGDUMP2PL_BINARY, "dump.sql", "facts.pl"});
    ASSERT_EQ(converted.status, 0) << converted.err;
    const Outcome loaded = run({swipl, "-q", "-f", "none", "--no-packs", "--on-error=status", "--on-warning=status",
                                "-g", "sites(last,1)", "-t", "halt", "facts.pl"});
    EXPECT_EQ(loaded.status, 0);
    EXPECT_EQ(loaded.err, "");
    EXPECT_FALSE(fs::exists(dir / "injected"));
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, RoundTrip, ::testing::Values("crawler.sql", "crawler-quoted.sql"),
                         [](const ::testing::TestParamInfo<const char*>& dump) {
                           return std::string(dump.param) == "crawler.sql" ? "PlainDump" : "QuotedIdentifiersDump";
                         });

// pg_dump --inserts writes no COPY block, hence not a single fact.
using InsertsDump = ScratchDir;

TEST_F(InsertsDump, GivesAnEmptyFactFile) {
  ASSERT_NO_FATAL_FAILURE(convert("crawler-inserts.sql"));
  EXPECT_EQ(fs::file_size(facts), 0U);
}

}  // namespace
