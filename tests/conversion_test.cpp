// Whole conversions: dump bytes in, fact-file bytes out.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "io/byte_sink.h"
#include "support/in_memory.h"

namespace pgdump2pl::testing {
namespace {

using namespace std::string_literals;

const std::string kSitesA1 = banner("sites") + "sites('a',1).\n" + count(1);

struct Case {
  std::string what, dump, facts;
  int read_error = 0;                        // the errno of a read after the dump's bytes
  std::optional<std::string> warnings = {};  // as printed for "dump.sql", when checked
};

// Control bytes, C1 controls, valid UTF-8 up to U+10FFFF, then a
// surrogate, a code point too high, overlong forms and a cut sequence.
const std::string kOddName =
    "h\033[2J\377\302\233\303\251\302\251\303\200\342\202\254\357\274\241\360\237\230\200\364\217\277\277"
    "\355\240\200\364\220\200\200\340\200\200\300\257\342\202A\342\202";
// The fact file stays UTF-8: the bytes that are not are \xHH in the
// banner and \xHH\ in the quoted functor.
const std::string kOddBanner =
    "h\033[2J\\xFF\302\233\303\251\302\251\303\200\342\202\254\357\274\241\360\237\230\200\364\217\277\277"
    "\\xED\\xA0\\x80\\xF4\\x90\\x80\\x80\\xE0\\x80\\x80\\xC0\\xAF\\xE2\\x82A\\xE2\\x82";
const std::string kOddFunctor = std::regex_replace(kOddBanner, std::regex(R"(\\x[0-9A-F]{2})"), "$&\\");

std::vector<Case> cases() {
  std::vector<Case> all = {
      {"worked example", "COPY \"sample\" FROM stdin;\nalpha\t7\nbeta\t010\n\\.\n",
       banner("sample") + "sample('alpha',7).\nsample('beta',8).\n" + count(2)},
      {"empty dump", "", ""},
      {"only COPY and whitespace open a block",
       "-- x\nCREATE TABLE x;\nCo\n COPY \"sites\" FROM stdin;\nCOPYRIGHT \"sites\"\nC\nCO\nCOP\na\t1\n\\.\n", ""},
      {"COMMENT and COMMIT open no block",
       "COMMENT ON TABLE sites IS 'x';\nCOPY \"sites\" FROM stdin;\na\t1\n\\.\nCOMMIT;\nb\t2\n\\.\n", kSitesA1},
      {"every line up to \\. is a row", "COPY \"sites\" FROM stdin;\nCOPY\t5\n\nx\n\\.junk\n2\n",
       banner("sites") + "sites('COPY',5).\nsites('COPY',5).\nsites('x',5).\n" + count(3)},
      {"headers",
       "COPY \"public\".\"sites\" (\"url\", \"id\") FROM stdin;\na\t1\n\\.\nCOPY public.sites (a) FROM "
       "stdin;\nb\t2\n\\.\n"
       "COPY public.\"Site\" (a) FROM stdin;\nc\t3\n\\.\nCOPY \n\n  \"a\".\"b\".\"depths\" FROM stdin;\n4\n\\.\n",
       kSitesA1 + banner("sites") + "sites('b',2).\n" + count(1) + banner("Site") + count(1) + banner("depths") +
           "depths(4).\n" + count(1)},
      {"names and functors",
       "COPY public.\"a.b \"\"c\" (x) FROM stdin;\n1\t2\t3\t4\n\\.\nCOPY \"sample\";\na\t1\n\\.\n"
       "COPY \"\" FROM stdin;\nx\n\\.\nCOPY \"ab\0cd\" FROM stdin;\n\\.\nCOPY s_2Abz (x) FROM stdin;\nt\t6\n\\.\n"
       "COPY \"s-x'\xc3\xa9\" FROM stdin;\nu\t7\n\\.\nCOPY \"\0x\" FROM stdin;\n\\.\nCOPY public.\"x\"\"\n\\.\n"
       "COPY \"s&]\" FROM stdin;\nv\t8\n\\.\n"s,
       banner("a.b \"c") + "'a.b \"c'(1,2,3,4).\n" + count(1) + banner("sample\"") + "'sample\"'('a',1).\n" + count(1) +
           banner("") + count(1) + banner("a") + count(0) + banner("s_2Abz") + "s_2Abz('t',6).\n" + count(1) +
           banner("s-x'\xc3\xa9") + "'s-x\\'\xc3\xa9'('u',7).\n" + count(1) + banner("") + count(0) + banner("x\"") +
           count(0) + banner("s&]") + "'s&]'('v',8).\n" + count(1)},
      {"COPY alone, then \\.: no count", "COPY\n \n\\.\nCOPY \"depths\" FROM stdin;\n1\n\\.\n",
       banner("") + banner("depths") + "depths(1).\n" + count(1)},
      {"slots shared across rows and tables",
       "COPY \"inlinks\" FROM stdin;\n5\tsrc\tdst\t70\n\\.\nCOPY \"files\" FROM stdin;\nf.txt\thttp://x\n\\N\n\\.\n",
       banner("inlinks") + "inlinks(5,'src','dst',70).\n" + count(1) + banner("files") +
           "files('f.txt','http://x',70).\nfiles('\\\\N','http://x',70).\n" + count(2)},
      {"escapes",
       "COPY \"mimetypes\" FROM stdin;\nl'eau\t1\n\\N\t2\na\\tb\t3\nend\\\t4\n\\b\\f\\n\\r\\v\\\\\\'\\x\t5\n\\.\n",
       banner("mimetypes") +
           "mimetypes('l\\'eau',1).\nmimetypes('\\\\N',2).\nmimetypes('a\\tb',3).\n"
           "mimetypes('end\\\\',4).\nmimetypes('\\b\\f\\n\\r\\v\\\\\\\\\\'\\\\x',5).\n" +
           count(5)},
      {"CR LF, a quote left open", "COPY public.\"sites\r\na\t1\r\nb\r\n\\.\r\n",
       banner("sites") + "sites('a',1).\nsites('b',1).\n" + count(2)},
      {"zero bytes", "\0x\nCOPY \"sites\" FROM stdin;\na\t1\nb\0\t2\n\\.\n"s,
       banner("sites") + "sites('a',1).\nsites('b',1).\n" + count(2)},
      {"long row", "COPY \"sites\" FROM stdin;\n" + std::string(5000, 'u') + "\t9\n\\.\n",
       banner("sites") + "sites('" + std::string(5000, 'u') + "',9).\n" + count(1)},
      {"ends inside a block", "COPY \"sites\" FROM stdin;\na\t1\nb\t2",
       banner("sites") + "sites('a',1).\nsites('b',2).\n" + count(2)},
      {"ends after the header line", "COPY \"sites\" FROM stdin;\n", banner("sites") + count(0)},
      {"ends inside a quoted header", "COPY \"sites\"", banner("sites") + count(0)},
      {"ends inside a header", "COPY public.sit", banner("sit") + count(0)},
      {"ends after COPY", "COPY", banner("") + count(0)},
      {"ends after COPY on a later line", "\nCOPY", banner("") + count(0)},
      {"ends after an opening quote", "COPY \"sites\" FROM stdin;\n\\.\nCOPY \"  \n",
       banner("sites") + count(0) + banner("sites") + count(0)},
      {"a name never closes or nests its banner",
       "COPY \"x*/:-format(user_error,'INJECTED~n',[]).%\" FROM stdin;\n\\.\n"
       "COPY public.\"x*/ :- format(user_error, 'INJECTED TWO~n', []). %\" (a) FROM stdin;\n\\.\n"
       "COPY \"*/\" FROM stdin;\n\\.\nCOPY \"/*\" FROM stdin;\n\\.\n"
       "COPY \"x/*y\" FROM stdin;\n\\.\nCOPY \"a*/*/b\" FROM stdin;\n\\.\n",
       banner("x* /:-format(user_error,'INJECTED~n',[]).%") + count(0) +
           banner("x* / :- format(user_error, 'INJECTED TWO~n', []). %") + count(0) + banner("* /") + count(0) +
           banner("/ *") + count(0) + banner("x/ *y") + count(0) + banner("a* / * /b") + count(0)},
      {"read error", "COPY \"depths\" FROM stdin;\n1\n2\n3", banner("depths") + "depths(1).\ndepths(2).\n", EIO},
      {"rows that do not fit their layout",
       "-- 1\nCOPY public.sites (url, id) FROM stdin;\na\t1\r\n\\N\t2\r\nb\t\\N\n\\.\n"
       "COPY public.inlinks (a) FROM stdin;\n1\tx\ty\t2\textra\n1\tx\ty\nx\n\\.\nCOPY crawl_errors (a) FROM "
       "stdin;\n\\N\n\\.\n"
       "COPY \"" +
           kOddName + "\" FROM stdin;\nxy\n\\.\nCOPY depths (x) FROM stdin;\n5:9\n\\N",
       banner("sites") + "sites('a',1).\nsites('\\\\N',2).\nsites('b',2).\n" + count(3) + banner("inlinks") +
           "inlinks(1,'x','y',2).\ninlinks(1,'x','y',2).\ninlinks(1,'x','y',2).\n" + count(3) + banner("crawl_errors") +
           count(1) + banner(kOddBanner) + "'" + kOddFunctor + "'(1,2,0).\n" + count(1) + banner("depths") +
           "depths(5).\ndepths(5).\n" + count(2),
       0,
       "pgdump2pl: dump.sql:4: warning: table sites: 2 of 3 rows do not fit its layout (first: field 1 is NULL)\n"
       "pgdump2pl: dump.sql:9: warning: table inlinks: 2 of 3 rows do not fit its layout (first: field 4 is missing)\n"
       "pgdump2pl: dump.sql:16: warning: table h\\x1B[2J\\xFF\\xC2\\x9B\303\251\302\251\303\200\342\202\254\357\274\241"
       "\360\237\230\200\364\217\277\277\\xED\\xA0\\x80\\xF4\\x90\\x80\\x80\\xE0\\x80\\x80\\xC0\\xAF\\xE2\\x82A\\xE2\\x"
       "82: 1 "
       "of 1 rows do not fit its "
       "layout (first: field 1 is not an integer)\n"
       "pgdump2pl: dump.sql:20: warning: table depths: 1 of 2 rows do not fit its layout (first: field 1 is NULL)\n"},
  };
  // One row for each rule, and names no rule covers.
  const std::pair<std::string, std::string> rules[] = {{"sites", "'ab',1"},
                                                       {"inlinks", "1,'b','c',2"},
                                                       {"pages", "3,'d',4,5"},
                                                       {"files", "'e','f',6"},
                                                       {"depths", "7"},
                                                       {"proxies", "'g',8"},
                                                       {"hits", "9,10,11"},
                                                       {"mimetypes", "'h',12"},
                                                       {"timings", "13,14,15"},
                                                       {"anchors", "16,17,18,19"},
                                                       {"Sites", ""},
                                                       {"p", ""},
                                                       {"pe", ""},
                                                       {"xlinks", ""}};
  Case& each = all.emplace_back(Case{"every rule", "", "", 0, ""});
  for (const auto& [table, args] : rules) {
    std::string row = args;
    std::erase(row, '\'');
    std::replace(row.begin(), row.end(), ',', '\t');
    each.dump += "COPY public." + table + " (x) FROM stdin;\n" + (args.empty() ? "a\t1" : row) + "\n\\.\n";
    each.facts += banner(table) + (args.empty() ? "" : table + "(" + args + ").\n") + count(1);
  }
  return all;
}

TEST(Conversion, GivesTheSameFactsWhateverTheReadAndBufferSizes) {
  for (const Case& c : cases()) {
    for (const std::size_t size : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 64u, 1u << 20}) {
      const Converted got = convert_in_memory(c.dump, size, c.read_error);
      EXPECT_EQ(got.facts, c.facts) << c.what << " (size " << size << ")";
      EXPECT_EQ(got.scan.status, c.read_error ? ScanStatus::read_failed : ScanStatus::complete) << c.what;
      EXPECT_EQ(got.scan.failure.error, c.read_error) << c.what;
      if (c.warnings) {
        EXPECT_EQ(got.warnings, *c.warnings) << c.what << " (size " << size << ")";
      }
    }
  }
}

TEST(Conversion, DumpCutAtAnyByteConvertsAlikeByteByByte) {
  const std::string dump =
      "-- x\nCOPY public.\"a\"\"b\" (x) FROM stdin;\n1\t2\t3\t4\r\n\\.\nCOPY \"sites\" FROM stdin;\nl'eau\t-7\n\\.\n";
  for (std::size_t cut = 0; cut <= dump.size(); ++cut) {
    const Converted whole = convert_in_memory(dump.substr(0, cut)),
                    bytewise = convert_in_memory(dump.substr(0, cut), 1);
    EXPECT_EQ(bytewise.facts, whole.facts) << cut;
    EXPECT_EQ(whole.scan.status, ScanStatus::complete) << cut;
  }
}

TEST(Conversion, KeepsAndReportsTheFirstWriteError) {
  std::string dump = "COPY \"depths\" FROM stdin;\n";
  for (int i = 0; i < 1000; ++i) dump += "12345\n";
  const struct {
    int write_error, close_error, reported;
  } cases[] = {
      {ENOSPC, 0, ENOSPC},
      {ENOSPC, EIO, ENOSPC},
      {0, EIO, EIO},
  };
  for (const auto& c : cases) {
    const Converted got = convert_in_memory(dump, 64, 0, c.write_error, c.close_error);
    EXPECT_EQ(got.scan.status, ScanStatus::write_failed);
    EXPECT_EQ(got.scan.failure.error, c.reported);
    // Nothing more is read or written after a failed write.
    EXPECT_EQ(got.writes > 1, c.write_error == 0);
    EXPECT_EQ(got.unread > 0, c.write_error != 0);
  }
  StringSink sink;
  FactWriter writer(sink);
  writer.append("x");
  EXPECT_EQ(writer.finish(), 0);
  EXPECT_EQ(sink.bytes, "x");
}

// With standard input closed the fact file gets descriptor 0; its close
// reports the errors that a write did not, so it must happen there too.
TEST(Conversion, ClosesAFactFileOnDescriptorZero) {
  const int input = ::dup(STDIN_FILENO);
  ::close(STDIN_FILENO);
  FdSink sink(::open("/dev/null", O_WRONLY));
  sink.close();
  const bool still_open = ::fcntl(STDIN_FILENO, F_GETFD) != -1;
  ::dup2(input, STDIN_FILENO);
  ::close(input);
  EXPECT_FALSE(still_open);
}

// A long text (past the 1 MiB from which rows are written in pieces)
// converts to what the same pattern converts to in a short row, repeated:
// `@` in the dump is the text, between << and >>, which need no escape.
TEST(Conversion, LongTextsConvertAsTheirShortPatternRepeated) {
  const struct {
    std::string what, dump, pattern;
    bool all_tables;
  } cases[] = {
      {"a word, then rows that fail to read it", "COPY sites FROM stdin;\n@ 7\n\nx 8\n\n\\.\n",
       "l'eau\\n\\\\b\303\251\\", false},
      {"two words of one row, then a row that reads neither", "COPY items FROM stdin;\n1 @ @ 2\n3\n\\.\n",
       "a\\\\\\b'\\", false},
      {"a text field among typed ones",
       "CREATE TABLE t (a integer, b text, c boolean);\nCOPY t (a, b, c) FROM stdin;\n1\t@\tt\n2\tx\tf\n\\.\n",
       "l'eau\\\\ \\t\303\251\\0\360\237\230\200\\x80\342\202 ", true},
      {"characters that pieces must not cut", "COPY t (a) FROM stdin;\n@\n\\.\n", "\360\237\230\200\303\251x", true},
      {"a string of an INSERT", "CREATE TABLE t (a integer, b text);\nINSERT INTO t VALUES (1, '@');\n",
       "it''s \303\251\\\342\202", true},
      {"a string in an expression", "INSERT INTO t VALUES (1, '@' || 'x');\n", "it''s\\", true},
      {"strings kept where they were read, one a row, in text and other columns",
       "CREATE TABLE t (a integer, b text, c text);\n"
       "INSERT INTO t VALUES (1, '@', 'x'), (2, 'y', '@'), (3, N'@ ', '@');\nINSERT INTO t VALUES ('@', 'z', NULL);\n",
       "plain \303\251\\ ", true},
      {"a field count that is wrong", "COPY t (a) FROM stdin;\n1\t@\n2\n\\.\n", "ab", true},
  };
  const auto with_text = [](std::string dump, const std::string& text) {
    for (std::size_t at; (at = dump.find('@')) != std::string::npos;) dump.replace(at, 1, "<<" + text + ">>");
    return dump;
  };
  for (const auto& c : cases) {
    std::string long_text;
    while (long_text.size() < (std::size_t{3} << 20)) long_text += c.pattern;
    const std::size_t times = long_text.size() / c.pattern.size();
    const Converted short_row = convert_in_memory(with_text(c.dump, c.pattern), 1 << 20, 0, 0, 0, c.all_tables);
    std::string expected = short_row.facts;
    for (std::size_t from = 0, open; (open = expected.find("<<", from)) != std::string::npos;) {
      const std::size_t close = expected.find(">>", open);
      const std::string quoted = expected.substr(open + 2, close - open - 2);
      std::string repeated;
      for (std::size_t i = 0; i < times; ++i) repeated += quoted;
      expected.replace(open + 2, quoted.size(), repeated);
      from = open + 2 + repeated.size() + 2;
    }
    for (const std::size_t size : {std::size_t{4096}, std::size_t{1} << 20}) {
      const Converted got = convert_in_memory(with_text(c.dump, long_text), size, 0, 0, 0, c.all_tables);
      EXPECT_TRUE(got.facts == expected) << c.what << " (size " << size << ")";
      EXPECT_EQ(got.warnings, short_row.warnings) << c.what;
    }
  }
}

// A long INSERT string kept where it was read is checked against its
// column's length as a short one is: written whole, and warned about.
TEST(Conversion, LongStringsKeptWhereReadMeetTheirColumnsLength) {
  const std::string text(std::size_t{3} << 20, 'x');
  const Converted got = convert_in_memory(
      "CREATE TABLE v (a varchar(3), b text);\nINSERT INTO v VALUES ('" + text + "', 'y');\n", 1 << 20, 0, 0, 0, true);
  EXPECT_NE(got.facts.find("v('" + text + "','y').\n"), std::string::npos);
  EXPECT_NE(got.warnings.find("longer than 3 characters"), std::string::npos) << got.warnings;
}

}  // namespace
}  // namespace pgdump2pl::testing
