// Token streams of SQL scripts, each read through every block size, so
// that every token, comment and escape straddles a refill somewhere.
#include "sql/sql_lexer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "support/in_memory.h"

namespace pgdump2pl::testing {
namespace {

constexpr std::size_t kBlockSizes[] = {1, 2, 3, 7, 64, std::size_t{1} << 20};

// `w:insert q:T s:it's n:1.5 y:( p:$1 m:connect db`, with @line after each
// token when asked.
std::string render(SqlLexer& lexer, bool lines = false) {
  std::string out;
  for (int guard = 0; guard < 200 && lexer.advance().kind != TokenKind::end; ++guard) {
    const Token& token = lexer.current();
    if (!out.empty()) out += ' ';
    out += "?wqsnypm"[static_cast<int>(token.kind)];
    out += ':';
    out += token.text;
    if (lines) out += '@' + std::to_string(token.line);
  }
  return out;
}

struct Case {
  std::string_view script;
  std::string_view tokens;
  bool standard_strings = true;
  bool lines = false;
};

const Case kCases[] = {
    {"INSERT INTO public.t VALUES (1, 'it''s', 2.5, NULL, true);",
     "w:insert w:into w:public y:. w:t w:values y:( n:1 y:, s:it's y:, n:2.5 y:, w:null y:, w:true y:) y:;"},
    {"Abc _x1$ \"Mixed \"\"Q\"\"\" \xc3\x89T ax'1' \"\"", "w:abc w:_x1$ q:Mixed \"Q\" w:\xc3\x89t w:ax s:1 q:"},
    // comments, nested and not, and what they hide
    {"a -- c ; 'x\nb /* 1 /* 2 */ ; */ c/**/d/* x **/e", "w:a w:b w:c w:d w:e"},
    {"'x; -- COPY' \"a;/*b\"", "s:x; -- COPY q:a;/*b"},
    // continuation needs a line end, and only -- comments may come between
    {"'a'\n  'b' -- it's\n'c' 'd' x'0'\n'1' 'e' /* */\n'f'", "s:abc s:d s:01 s:e s:f"},
    {"$$a$b'c$$ $t$x$$y$tt$z$t$ $1 $a $_1$\n$_1$", "s:a$b'c s:x$$y$tt$z p:$1 y:$ w:a s:\n"},
    {R"(E'\b\f\n\r\t|\101\1010\7|\x41\x4g|\u00e9\U0001F600|\q\'|''|\\' e'\uD83D\uDE00')",
     "s:\b\f\n\r\t|AA0\7|A\x04g|\xc3\xa9\xf0\x9f\x98\x80|q'|'|\\ s:\xf0\x9f\x98\x80"},
    {R"(U&'d\0061t\+000061' U&'\+0000e9x' U&'d!0061t!!' UESCAPE '!' u&"\00e9" U&'a\\b' U&'\D83D\DE00' U&'x' uescape)",
     "s:data s:\xc3\xa9x s:dat! q:\xc3\xa9 s:a\\b s:\xf0\x9f\x98\x80 s:x w:uescape"},
    {"N'x' b'101' X'1F' B'1''0' u&x", "s:x s:101 s:1F s:1 s:0 w:u y:& w:x"},
    // names PostgreSQL cuts to 63 bytes, never inside a character
    {"N123456789N123456789N123456789N123456789N123456789N123456789abcDEFGHIJ "
     "\"Q123456789Q123456789Q123456789Q123456789Q123456789Q123456789Q2\xc3\xa9\"",
     "w:n123456789n123456789n123456789n123456789n123456789n123456789abc "
     "q:Q123456789Q123456789Q123456789Q123456789Q123456789Q123456789Q2"},
    {R"('a\'b\\' E'x\n' N'\t')", "s:a'b\\ s:x\n s:\t", false},
    {R"('a\'b\\')", "s:a\\ w:b m:\\'"},
    {"42 3.5 .5 5. 1e10 1.5E-3 1..2 1e 2e+ x.y 1.e5",
     "n:42 n:3.5 n:.5 n:5. n:1e10 n:1.5E-3 n:1 y:. n:.2 n:1 w:e n:2 w:e y:+ w:x y:. w:y n:1.e5"},
    {"a=-5 -5 <=> *+ @- ::int [1] !=-1 <=+-1 +/*c*/- ?| a--b",
     "w:a y:= y:- n:5 y:- n:5 y:<=> y:* y:+ y:@- y::: w:int y:[ n:1 y:] y:!=- n:1 y:<= y:+ y:- n:1 y:+ y:- y:?| w:a"},
    {"\\connect db\r\nSELECT 1;\n\\encoding LATIN1\n\\.", "m:connect db w:select n:1 y:; m:encoding LATIN1 m:."},
    // the script ends inside: nothing after it is a token
    {"a 'abc", "w:a"},
    {"a \"x", "w:a"},
    {"a $t$x$t", "w:a"},
    {"a /* x /* */", "w:a"},
    {"a E'\\", "w:a"},
    {"a U&'x", "w:a"},
    {"a\n'b\nc'\n/*\n*/ d $$\n$$ \\m\ne 'f'\n\n'g' h", "w:a@1 s:b\nc@2 w:d@5 s:\n@5 m:m@6 w:e@7 s:fg@7 w:h@9", true,
     true},
};

TEST(SqlLexer, SplitsScriptsAsPostgresDoes) {
  for (const Case& c : kCases) {
    for (const std::size_t block : kBlockSizes) {
      MemorySource source(c.script);
      LineReader lines(source, block);
      SqlLexer lexer(lines);
      lexer.set_standard_conforming_strings(c.standard_strings);
      EXPECT_EQ(render(lexer, c.lines), c.tokens) << c.script << " in blocks of " << block;
      EXPECT_EQ(lexer.advance().kind, TokenKind::end);
    }
  }
}

TEST(SqlLexer, ReadsCopyDataThenLexesOn) {
  const std::string_view script = "COPY t (a) FROM stdin; -- 'rest\n1\tx'y\n\n\\.\nSELECT 'after';";
  for (const std::size_t block : kBlockSizes) {
    MemorySource source(script);
    LineReader lines(source, block);
    SqlLexer lexer(lines);
    lexer.advance();
    lexer.skip_statement();
    ASSERT_TRUE(lexer.current().is_symbol(";"));
    std::string data;
    LineReader::Line line{};
    while (lexer.next_data_line(line) && !std::string_view(line.text, line.length).starts_with("\\.")) {
      data += std::string(line.text, line.length) + '@' + std::to_string(lexer.data_line()) + '|';
    }
    EXPECT_EQ(data, "1\tx'y@2|@3|") << block;
    EXPECT_EQ(render(lexer, true), "w:select@5 s:after@5 y:;@5") << block;
  }
}

TEST(SqlLexer, CapturesTheRawTextOfAnExpression) {
  const std::string_view script = "DEFAULT now( /* c */ )\n, (SELECT E'a\\n' -- x\n) ; after";
  for (const std::size_t block : kBlockSizes) {
    MemorySource source(script);
    LineReader lines(source, block);
    SqlLexer lexer(lines);
    lexer.advance();
    lexer.advance();
    lexer.start_capture();
    while (!lexer.advance().is_symbol(",")) {
    }
    EXPECT_EQ(lexer.captured(), "now( /* c */ )\n,") << block;
    lexer.advance();
    lexer.start_capture();
    while (lexer.current().kind != TokenKind::end) lexer.advance();
    EXPECT_EQ(lexer.captured(), "(SELECT E'a\\n' -- x\n) ;") << block;
  }
}

// A `;` inside parentheses or inside a BEGIN ATOMIC body does not end the
// statement, as psql decides.
TEST(SqlLexer, SkipsToTheEndOfTheStatement) {
  const std::string_view script =
      "CREATE OR REPLACE FUNCTION f() BEGIN ATOMIC SELECT CASE WHEN true THEN 1 END; SELECT (1;2); END; next (;); "
      "CREATE TABLE begin (a int); CREATE FUNCTION g(begin int) RETURNS int RETURN 1; "
      "CREATE PROCEDURE p() BEGIN ATOMIC SELECT 1; END; x \\q\n";
  std::string stops;
  MemorySource source(script);
  LineReader lines(source, 5);
  SqlLexer lexer(lines);
  while (lexer.advance().kind != TokenKind::end) {
    const std::string first(lexer.current().text);
    lexer.skip_statement();
    stops += first + ">" + std::string(lexer.current().text) + " ";
  }
  EXPECT_EQ(stops, "create>; next>; create>; create>; create>; x>q ");
}

TEST(SqlLexer, EndsAtAFailedRead) {
  MemorySource source("SELECT 'abc", EIO);
  LineReader lines(source, 4);
  SqlLexer lexer(lines);
  EXPECT_EQ(render(lexer), "w:select");
  EXPECT_EQ(lexer.error(), EIO);
}

}  // namespace
}  // namespace pgdump2pl::testing
