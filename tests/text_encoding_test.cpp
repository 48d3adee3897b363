#include "values/text_encoding.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

namespace pgdump2pl {
namespace {

using namespace std::string_view_literals;

struct EncodingCase {
  std::string_view name;       // as a script spells it
  std::string_view canonical;  // PostgreSQL's own name
  std::string_view bytes;
  std::string_view atom_text;
  bool invalid;
};

std::string repeated(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// More than the converter's buffer holds at once.
const std::string kLongEucJp = repeated("\xA4\xA2", 500), kLongUtf8 = repeated("\xE3\x81\x82", 500);

// The characters are PostgreSQL's convert_from() of the bytes; where it
// refuses a byte, the byte is escaped.
const EncodingCase kEncodingCases[] = {
    {"UTF8", "UTF8", "it's a plain line of text", R"(it\'s a plain line of text)", false},
    {"unicode", "UTF8", "tab\tend\\ \x01\x7f", R"(tab\tend\\ \001\\177\)", false},
    {"utf-8", "UTF8", "caf\xC3\xA9 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF", "caf\xC3\xA9 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF",
     false},
    {"UTF8", "UTF8", "\xC2\x80 \xDF\xBF \xE0\xA0\x80 \xED\x9F\xBF \xEF\xBF\xBF \xF0\x90\x80\x80 \xF4\x8F\xBF\xBF",
     "\xC2\x80 \xDF\xBF \xE0\xA0\x80 \xED\x9F\xBF \xEF\xBF\xBF \xF0\x90\x80\x80 \xF4\x8F\xBF\xBF", false},
    {"UTF8", "UTF8", "\xC1\xBF \xF5\x80 \xF0\x8F \xE2\x82\xC0", R"(\xC1\\xBF\ \xF5\\x80\ \xF0\\x8F\ \xE2\\x82\\xC0\)",
     true},
    {"UTF8", "UTF8", "overlong \xC0\x80", R"(overlong \xC0\\x80\)", true},
    {"UTF8", "UTF8", "\xE0\x9F\xBF", R"(\xE0\\x9F\\xBF\)", true},
    {"UTF8", "UTF8", "surrogate \xED\xA0\x80!", R"(surrogate \xED\\xA0\\x80\!)", true},
    {"UTF8", "UTF8", "\xF4\x90\x80\x80", R"(\xF4\\x90\\x80\\x80\)", true},
    {"UTF8", "UTF8", "cut short at the end \xE2\x82", R"(cut short at the end \xE2\\x82\)", true},
    {"UTF8", "UTF8", "a zero \0 byte"sv, R"(a zero \x00\ byte)", true},
    {"sql_ascii", "SQL_ASCII", "\xFF\xFE' bytes as they are", "\xFF\xFE\\' bytes as they are", false},
    {"ISO-8859-1", "LATIN1", "caf\xE9", "caf\xC3\xA9", false},
    {"latin9", "LATIN9", "\xA4", "\xE2\x82\xAC", false},
    {"Latin3", "LATIN3", "\xA5", R"(\xA5\)", true},
    {"ISO_8859_9", "LATIN5", "\xDD", "\xC4\xB0", false},
    {"latin10", "LATIN10", "\xA1", "\xC4\x84", false},
    {"Windows-1252", "WIN1252", "\x80 \x81", "\xE2\x82\xAC \\x81\\", true},
    {"win", "WIN1251", "\xC0", "\xD0\x90", false},
    {"ALT", "WIN866", "\x80", "\xD0\x90", false},
    {"tcvn", "WIN1258", "\xC1\xEC", "\xC3\x81\xCC\x81", false},
    {"koi8", "KOI8R", "\xE1", "\xD0\x90", false},
    {"iso_8859_5", "ISO_8859_5", "\xB0", "\xD0\x90", false},
    {"Shift_JIS", "SJIS", "\x5C\x82\xA0", "\\\\\xE3\x81\x82", false},
    {"mskanji", "SJIS", "\x82", R"(\x82\)", true},
    {"SJIS", "SJIS",
     "\xFF"
     "a",
     R"(\xFF\a)", true},
    {"EUC_JP", "EUC_JP", "\xA4\xA2'", "\xE3\x81\x82\\'", false},
    {"EUC_JP", "EUC_JP", kLongEucJp, kLongUtf8, false},
    {"euc-jis-2004", "EUC_JIS_2004", "\xA4\xF7", "\xE3\x81\x8B\xE3\x82\x9A", false},
    {"SHIFT_JIS_2004", "SHIFT_JIS_2004", "\x82\xF5", "\xE3\x81\x8B\xE3\x82\x9A", false},
    {"BIG5", "BIG5", "\xA4\x40", "\xE4\xB8\x80", false},
    {"BIG5", "BIG5", "\x80", R"(\x80\)", true},
    {"GBK", "GBK", "\x81\x80\x80", "\xE4\xBA\x90\\x80\\", true},
    {"EUC_KR", "EUC_KR",
     "\x9F"
     "A",
     R"(\x9F\A)", true},
    {"win936", "GBK", "\xB0\xA1", "\xE5\x95\x8A", false},
    {"EUC_CN", "EUC_CN", "\xB0\xA1", "\xE5\x95\x8A", false},
    {"EUC_KR", "EUC_KR", "\xB0\xA1", "\xEA\xB0\x80", false},
    {"UHC", "UHC", "\x81\x41", "\xEA\xB0\x82", false},
    {"GB18030", "GB18030", "\x84\x31\xA4\x39", "\xEF\xBF\xBF", false},
    {"EUC_TW", "EUC_TW", "\x8E\xA2\xA1\xA1", "\xE4\xB9\x82", false},
};

TEST(TextEncoding, WritesTheCharactersAsAtomText) {
  for (const EncodingCase& c : kEncodingCases) {
    TextEncoding encoding;
    ASSERT_TRUE(encoding.select(c.name)) << c.name;
    EXPECT_EQ(encoding.name(), c.canonical);
    // A long run of plain text before the case takes the fast path first.
    const std::string bytes = std::string(13, 'x') + std::string(c.bytes);
    std::string out(atom_text_bound(bytes.size()), '\0');
    bool invalid = false;
    const char* end = encoding.write_atom_text(bytes, out.data(), invalid);
    EXPECT_EQ(std::string_view(out.data(), static_cast<std::size_t>(end - out.data())),
              std::string(13, 'x') + std::string(c.atom_text))
        << c.name;
    EXPECT_EQ(invalid, c.invalid) << c.name;
  }
}

TEST(TextEncoding, RefusesWhatItCannotConvert) {
  // PostgreSQL ignores names of 64 bytes and more.
  const std::string longest = std::string(59, '_') + "utf8", too_long = "_" + longest;
  for (const std::string_view name : {std::string_view("mule_internal"), std::string_view("utf16"),
                                      std::string_view(""), std::string_view(too_long)}) {
    TextEncoding encoding;
    ASSERT_TRUE(encoding.select("latin2"));
    EXPECT_FALSE(encoding.select(name)) << name;
    EXPECT_EQ(encoding.name(), "LATIN2");
  }
  TextEncoding encoding;
  EXPECT_TRUE(encoding.select(longest));
}

// A Unicode escape's character as the encoding writes it, as PostgreSQL
// puts U&'\XXXX' in a script of that encoding; nothing where it has none.
TEST(TextEncoding, WritesACodePointInTheEncoding) {
  const struct {
    std::string_view encoding;
    std::uint32_t code;
    std::optional<std::string_view> bytes;
  } cases[] = {
      {"UTF8", 0x7F, "\x7F"},
      {"UTF8", 0x80, "\xC2\x80"},
      {"UTF8", 0x7FF, "\xDF\xBF"},
      {"UTF8", 0x800, "\xE0\xA0\x80"},
      {"UTF8", 0xFFFF, "\xEF\xBF\xBF"},
      {"UTF8", 0x1F600, "\xF0\x9F\x98\x80"},
      {"SQL_ASCII", 0xE9, "\xC3\xA9"},
      {"LATIN1", 0x80, "\x80"},
      {"LATIN1", 0x20AC, std::nullopt},
      {"LATIN9", 0x20AC, "\xA4"},
      {"EUC_JP", 0x41, "A"},
      {"EUC_JP", 0x3042, "\xA4\xA2"},
      {"EUC_JP", 0x20AC, std::nullopt},
  };
  for (const auto& c : cases) {
    TextEncoding encoding;
    ASSERT_TRUE(encoding.select(c.encoding));
    std::string out = "x";
    const bool written = encoding.append_code_point(c.code, out);
    EXPECT_EQ(written ? std::optional<std::string_view>(std::string_view(out).substr(1)) : std::nullopt, c.bytes)
        << c.encoding << " " << c.code;
  }
}

TEST(TextEncoding, NamesKeepInvalidBytes) {
  TextEncoding encoding;
  ASSERT_TRUE(encoding.select("WIN1252"));
  std::string name = "t_";
  encoding.append_utf8("caf\xE9'\x81", name);
  EXPECT_EQ(name, "t_caf\xC3\xA9'\x81");
}

}  // namespace
}  // namespace pgdump2pl
