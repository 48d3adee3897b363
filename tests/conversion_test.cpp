// Whole conversions: dump bytes in, fact-file bytes out.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/in_memory.h"
#include "support/reference_conversion.h"

namespace pgdump2pl {
namespace {

using namespace std::string_literals;
using testing::convert_in_memory;

std::string banner(std::string_view name) { return "/**\n * Table " + std::string(name) + "\n */\n\n"; }
std::string count(int rows) { return "/* (" + std::to_string(rows) + " entrees) */\n\n\n"; }

const std::string kSitesA1 = banner("sites") + "sites('a',1).\n" + count(1);

// Every case must give the same bytes whatever the sizes of the reads and
// of the output buffer, down to one byte, so that every line straddles.
void expect_conversion(std::string_view what, const std::string& dump, const std::string& facts) {
  for (const std::size_t size : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{4},
                                 std::size_t{5}, std::size_t{6}, std::size_t{7}, std::size_t{64},
                                 LineReader::kDefaultBlockSize}) {
    const auto converted = convert_in_memory(dump, size, size);
    EXPECT_EQ(converted.facts, facts) << what << " (block " << size << ")";
    EXPECT_EQ(converted.status, ScanStatus::complete) << what;
  }
}

TEST(Conversion, SectionsAndTheirBoundaries) {
  const struct {
    std::string_view what;
    std::string dump, facts;
  } cases[] = {
      {"worked example", "COPY \"sample\" FROM stdin;\nalpha\t7\nbeta\t010\n\\.\n",
       banner("sample") + "sample('alpha',7).\nsample('beta',8).\n" + count(2)},
      {"empty dump", "", ""},
      {"no data block", "-- dump\nSET x = 1;\nCREATE TABLE s (a text);\n", ""},
      {"block with no rows", "COPY \"sites\" FROM stdin;\n\\.\n", banner("sites") + count(0)},
      {"blocks counted apart", "\n\nCOPY \"sites\" FROM stdin;\na\t1\n\\.\n-- x\n\nCOPY \"depths\" FROM stdin;\n3\n4\n\\.\n",
       kSitesA1 + banner("depths") + "depths(3).\ndepths(4).\n" + count(2)},
      {"only COPY and whitespace opens a block",
       "CREATE TABLE x;\nCo\nco\n COPY \"sites\" FROM stdin;\nCOPYRIGHT \"sites\"\nCOMMIT;\nC\nCO\nCOP\na\t1\n\\.\n", ""},
      {"COMMENT does not swallow the next block",
       "COMMENT ON TABLE sites IS 'x';\nCOPY \"sites\" FROM stdin;\na\t1\n\\.\nCOMMIT;\nb\t2\n\\.\n", kSitesA1},
      {"every line of a block is a row", "COPY \"sites\" FROM stdin;\nCOPY\t5\n\nx\n\\.\n",
       banner("sites") + "sites('COPY',5).\nsites('COPY',5).\nsites('x',5).\n" + count(3)},
      {"bytes after the terminator", "COPY \"depths\" FROM stdin;\n1\n\\.junk\n2\n", banner("depths") + "depths(1).\n" + count(1)},
      {"column list", "COPY \"sites\" (url, id) FROM stdin;\na\t1\n\\.\n", kSitesA1},
      {"quote glued to a semicolon", "COPY \"sample\";\na\t1\n\\.\n",
       banner("sample\"") + "'sample\"'('a',1).\n" + count(1)},
      {"quote glued to a column list", "COPY \"sites\"(id) FROM stdin;\na\t1\n\\.\n",
       banner("sites\"(id") + "'sites\"(id'('a',1).\n" + count(1)},
      {"empty quoted name", "COPY \"\" FROM stdin;\na\t1\n\\.\n", banner("") + count(1)},
      {"CR LF line ends", "COPY \"sites\" FROM stdin;\r\na\t1\r\nb\r\n\\.\r\n",
       banner("sites") + "sites('a',1).\nsites('b',1).\n" + count(2)},
      {"zero byte ends a row", "COPY \"sites\" FROM stdin;\na\t1\nb\0\t2\n\\.\n"s,
       banner("sites") + "sites('a',1).\nsites('b',1).\n" + count(2)},
      {"long row is one row", "COPY \"sites\" FROM stdin;\n" + std::string(5000, 'u') + "\t9\n\\.\n",
       banner("sites") + "sites('" + std::string(5000, 'u') + "',9).\n" + count(1)},
      {"modern header", "COPY public.sites (url, id) FROM stdin;\na\t1\n\\.\n", kSitesA1},
      {"all identifiers quoted", "COPY \"public\".\"sites\" (\"url\", \"id\") FROM stdin;\na\t1\n\\.\n", kSitesA1},
      {"mixed-case name", "COPY public.\"Sites\" (url) FROM stdin;\na\t1\n\\.\n", banner("Sites") + count(1)},
      {"long name", "COPY public.inlinks_from_elsewhere (a) FROM stdin;\n1\ta\tb\t2\n\\.\n",
       banner("inlinks_from_elsewhere") + "inlinks_from_elsewhere(1,'a','b',2).\n" + count(1)},
      {"COPY alone, then a terminator: no count", "COPY\n \n\\.\nCOPY \"depths\" FROM stdin;\n1\n\\.\n",
       banner("") + banner("depths") + "depths(1).\n" + count(1)},
      {"quoted name on a later line", "COPY \n\n  \"sites\" FROM stdin;\na\t1\n\\.\n", kSitesA1},
      {"dump ends inside a block", "COPY \"sites\" FROM stdin;\na\t1\nb\t2",
       banner("sites") + "sites('a',1).\nsites('b',2).\n" + count(2)},
      {"dump ends after the header line", "COPY \"sites\" FROM stdin;\n", banner("sites") + count(0)},
      {"dump ends in the header", "COPY \"sites\"", banner("sites") + count(0)},
      {"dump ends after COPY", "COPY", banner("") + count(0)},
      {"dump ends after an opening quote", "COPY \"sites\" FROM stdin;\n\\.\nCOPY \"  \n",
       banner("sites") + count(0) + banner("sites") + count(0)},
      {"slots carry over rows and tables",
       "COPY \"inlinks\" FROM stdin;\n5\tsrc\tdst\t70\n\\.\nCOPY \"files\" FROM stdin;\nf.txt\thttp://x\n\\N\n\\.\n",
       banner("inlinks") + "inlinks(5,'src','dst',70).\n" + count(1) + banner("files") +
           "files('f.txt','http://x',70).\nfiles('\\\\N','http://x',70).\n" + count(2)},
      {"text escapes", "COPY \"mimetypes\" FROM stdin;\nl'eau\t1\n\\N\t2\na\\tb\t3\n\\.\n",
       banner("mimetypes") + "mimetypes('l\\'eau',1).\nmimetypes('\\\\N',2).\nmimetypes('a\\tb',3).\n" + count(3)},
      {"banner keeps a name from closing its comment",
       "COPY \"x*/:-format(user_error,'INJECTED~n',[]).%\" FROM stdin;\n\\.\n"
       "COPY public.\"x*/ :- format(user_error, 'INJECTED TWO~n', []). %\" (a) FROM stdin;\n\\.\n"
       "COPY \"*/\" FROM stdin;\n\\.\nCOPY \"/*\" FROM stdin;\n\\.\n"
       "COPY \"x/*y\" FROM stdin;\n\\.\nCOPY \"a*/*/b\" FROM stdin;\n\\.\n",
       banner("x* /:-format(user_error,'INJECTED~n',[]).%") + count(0) +
           banner("x* / :- format(user_error, 'INJECTED TWO~n', []). %") + count(0) + banner("* /") + count(0) +
           banner("/ *") + count(0) + banner("x/ *y") + count(0) + banner("a* / * /b") + count(0)},
      {"64-bit integers", "COPY \"depths\" FROM stdin;\n99999999999999999999\n-9223372036854775808\n\\N\n\\.\n",
       banner("depths") + "depths(9223372036854775807).\ndepths(-9223372036854775808).\ndepths(-9223372036854775808).\n" +
           count(3)},
  };
  for (const auto& c : cases) expect_conversion(c.what, c.dump, c.facts);
}

TEST(Conversion, EachRuleAndTheNamesNoRuleCovers) {
  const struct {
    std::string_view table, row, fact;
  } cases[] = {
      {"sites", "a\t1", "sites('a',1)."},
      {"inlinks", "1\tb\tc\t2", "inlinks(1,'b','c',2)."},
      {"inlinks", "5\t\tweb\t7", "inlinks(5,'web','7',2)."},  // empty field: later ones shift left
      {"pages", "3\td\t4\t5", "pages(3,'d',4,5)."},
      {"files", "e\tf\t6", "files('e','f',6)."},
      {"depths", "7", "depths(7)."},
      {"proxies", "g\t8", "proxies('g',8)."},
      {"probes", "hello world\t9", "probes('hello',8)."},  // the integer meets "world" and fails
      {"hits", "9\t10\t11", "hits(9,10,11)."},
      {"hits", "08\t5\t6", "hits(0,8,5)."},
      {"mimetypes", "h 12", "mimetypes('h',12)."},
      {"timings", "13\t14\t15", "timings(13,14,15)."},
      {"anchors", "16\t17\t18\t19", "anchors(16,17,18,19)."},
      {"Sites", "a\t1", ""},
      {"p", "a\t1", ""},
      {"pe", "a\t1", ""},
      {"xlinks", "a\t1", ""},
  };
  std::string dump, facts;
  for (const auto& c : cases) {
    dump += "COPY public." + std::string(c.table) + " (x) FROM stdin;\n" + std::string(c.row) + "\n\\.\n";
    facts += banner(c.table) + std::string(c.fact) + (c.fact.empty() ? "" : "\n") + count(1);
  }
  expect_conversion("one row per rule", dump, facts);
}

// Random dumps built from the awkward pieces: whatever they hold, the real
// conversion must give the bytes of the plain reference one, whatever the
// sizes of its reads and of its output buffer.
std::string random_dump(std::mt19937_64& random) {
  static const std::vector<std::string> headers = {
      "COPY \"sites\" FROM stdin;\n", "COPY public.inlinks (id, a, b, w) FROM stdin;\n",
      "COPY \"public\".\"pages\" (\"id\") FROM stdin;\n", "COPY public.\"Files\" (x) FROM stdin;\n",
      "COPY depths FROM stdin;\n", "COPY \"hits\";\n", "COPY public.\"a\"\"b\" (x)\n", "COPY\n", "COPY ",
      "COPY \"", "COPY \n \"timings\" x\n", "COPY public.anchors(x) FROM stdin;\r\n", "COPY \"m\0x\"\n"s,
      "COPY \"proxies", "COPY \\.\n"};
  static const std::vector<std::string> fields = {
      "0", "7", "-3", "+4", "010", "08", "0x1A", "0X", "0xg", "-0", "12abc", "1.5", "\\N", "-", "",
      "123456789012345678", "99999999999999999999", "-9223372036854775808", "0777777777777777777777",
      "alpha", "l'eau", "a\\tb", "C:\\\\temp", "end\\", "\xc3\xa9t\xc3\xa9", "x\0y"s,
      "https://www.example.org/a/very/long/path/index.html?q=1&r='2'", std::string(300, 'w')};
  static const std::vector<std::string> separators = {"\t", "\t", "\t", " ", "\t\t", "\r", "\v"};
  static const std::vector<std::string> others = {"\\.\n", "\\.\r\n", "\\.x\n", "-- c\n", "\n", "COMMENT x;\n",
                                                  "CO\n", "C", "\\."};
  std::string dump;
  for (auto pieces = random() % 30; pieces > 0; --pieces) {
    switch (random() % 4) {
      case 0:
        dump += headers[random() % headers.size()];
        break;
      case 1:
        dump += others[random() % others.size()];
        break;
      default:
        for (auto n = random() % 6; n > 0; --n) {
          dump += fields[random() % fields.size()];
          if (n > 1) dump += separators[random() % separators.size()];
        }
        dump += random() % 8 == 0 ? "\r\n" : "\n";
    }
  }
  return dump;
}

TEST(Conversion, RandomDumpsGiveTheReferenceFactsWhateverTheBlockSize) {
  std::mt19937_64 random(7);
  std::size_t facts = 0;
  for (int i = 0; i < 10000; ++i) {
    const std::string dump = random_dump(random);
    const std::string expected = testing::ReferenceConversion::convert(dump);
    for (std::size_t at = 0; (at = expected.find(").\n", at)) != std::string::npos; ++at) ++facts;
    for (const std::size_t size : {std::size_t{1}, std::size_t{3}, std::size_t{7}, LineReader::kDefaultBlockSize}) {
      ASSERT_EQ(convert_in_memory(dump, size, size).facts, expected) << "block " << size << " dump [" << dump << "]";
    }
  }
  EXPECT_GT(facts, 40000u);  // the dumps do exercise the rows
}

// Serves some bytes, then fails every read.
class FailingSource final : public ByteSource {
 public:
  explicit FailingSource(std::string_view before_error) : rest_(before_error) {}
  ReadResult read(char* dest, std::size_t capacity) override {
    if (rest_.empty()) return {0, EIO};
    const std::size_t n = std::min(capacity, rest_.size());
    std::memcpy(dest, rest_.data(), n);
    rest_.remove_prefix(n);
    return {n, 0};
  }

 private:
  std::string_view rest_;
};

TEST(Conversion, ReadErrorStopsTheScanAfterWhatWasRead) {
  FailingSource source("COPY \"depths\" FROM stdin;\n1\n2\n3");
  LineReader reader(source, 4);
  std::string facts;
  StringSink sink(facts);
  FactWriter writer(sink);
  const ScanOutcome outcome = scan_dump(reader, writer);
  writer.finish();
  EXPECT_EQ(outcome.status, ScanStatus::read_failed);
  EXPECT_EQ(outcome.error, EIO);
  EXPECT_EQ(facts, banner("depths") + "depths(1).\ndepths(2).\n");  // no count: the block never ended
}

class FullDisk final : public ByteSink {
 public:
  int write(const char*, std::size_t) override {
    ++writes;
    return ENOSPC;
  }
  int writes = 0;
};

TEST(Conversion, WriteErrorStopsTheScanAtOnce) {
  std::string dump = "COPY \"depths\" FROM stdin;\n";
  for (int i = 0; i < 100000; ++i) dump += "12345\n";
  MemorySource source(dump);
  LineReader reader(source);
  FullDisk disk;
  FactWriter writer(disk, 4096);
  const ScanOutcome outcome = scan_dump(reader, writer);
  EXPECT_EQ(outcome.status, ScanStatus::write_failed);
  EXPECT_EQ(outcome.error, ENOSPC);
  EXPECT_EQ(disk.writes, 1);
  EXPECT_EQ(writer.finish(), ENOSPC);
}

}  // namespace
}  // namespace pgdump2pl
