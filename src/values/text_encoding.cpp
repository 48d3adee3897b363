#include "values/text_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "facts/prolog_text.h"
#include "io/bytes.h"
#include "io/swar.h"

namespace pgdump2pl {
namespace {

// Bytes that glibc converts on their own but PostgreSQL refuses: 0x80
// to 0x9F in EUC (never a second byte there either), 0x80 and 0xFF
// where they would start a two-byte character of Big5 or GBK.
enum LoneByte : std::uint8_t { no_lone_bytes, euc_controls, two_byte_ends };

struct Encoding {
  std::string_view name;   // PostgreSQL's own
  const char* iconv_name;  // nullptr for UTF8, SQL_ASCII and what iconv lacks
  LoneByte lone_bytes = no_lone_bytes;
};

// Where PostgreSQL's conversion tables and glibc's part, the glibc table
// closest to PostgreSQL's is named: CP932 keeps 0x5C a backslash as
// PostgreSQL's SJIS does.
constexpr Encoding kEncodings[] = {
    {"SQL_ASCII", nullptr},
    {"UTF8", nullptr},
    {"MULE_INTERNAL", nullptr},
    {"LATIN1", "ISO-8859-1"},
    {"LATIN2", "ISO-8859-2"},
    {"LATIN3", "ISO-8859-3"},
    {"LATIN4", "ISO-8859-4"},
    {"LATIN5", "ISO-8859-9"},
    {"LATIN6", "ISO-8859-10"},
    {"LATIN7", "ISO-8859-13"},
    {"LATIN8", "ISO-8859-14"},
    {"LATIN9", "ISO-8859-15"},
    {"LATIN10", "ISO-8859-16"},
    {"ISO_8859_5", "ISO-8859-5"},
    {"ISO_8859_6", "ISO-8859-6"},
    {"ISO_8859_7", "ISO-8859-7"},
    {"ISO_8859_8", "ISO-8859-8"},
    {"WIN866", "CP866"},
    {"WIN874", "CP874"},
    {"WIN1250", "CP1250"},
    {"WIN1251", "CP1251"},
    {"WIN1252", "CP1252"},
    {"WIN1253", "CP1253"},
    {"WIN1254", "CP1254"},
    {"WIN1255", "CP1255"},
    {"WIN1256", "CP1256"},
    {"WIN1257", "CP1257"},
    {"WIN1258", "CP1258"},
    {"KOI8R", "KOI8-R"},
    {"KOI8U", "KOI8-U"},
    {"EUC_JP", "EUC-JP", euc_controls},
    {"EUC_CN", "EUC-CN"},
    {"EUC_KR", "EUC-KR", euc_controls},
    {"EUC_TW", "EUC-TW"},
    {"EUC_JIS_2004", "EUC-JISX0213", euc_controls},
    {"SJIS", "CP932"},
    {"SHIFT_JIS_2004", "SHIFT_JISX0213"},
    {"BIG5", "BIG5", two_byte_ends},
    {"GBK", "GBK", two_byte_ends},
    {"UHC", "CP949"},
    {"GB18030", "GB18030"},
    {"JOHAB", "JOHAB"},
};

struct Alias {
  std::string_view key;  // lower-case letters and digits only
  std::string_view name;
};

// PostgreSQL's names and aliases, as its lookup cleans them.
constexpr Alias kAliases[] = {
    {"abc", "WIN1258"},
    {"alt", "WIN866"},
    {"big5", "BIG5"},
    {"euccn", "EUC_CN"},
    {"eucjis2004", "EUC_JIS_2004"},
    {"eucjp", "EUC_JP"},
    {"euckr", "EUC_KR"},
    {"euctw", "EUC_TW"},
    {"gb18030", "GB18030"},
    {"gbk", "GBK"},
    {"iso88591", "LATIN1"},
    {"iso885910", "LATIN6"},
    {"iso885913", "LATIN7"},
    {"iso885914", "LATIN8"},
    {"iso885915", "LATIN9"},
    {"iso885916", "LATIN10"},
    {"iso88592", "LATIN2"},
    {"iso88593", "LATIN3"},
    {"iso88594", "LATIN4"},
    {"iso88595", "ISO_8859_5"},
    {"iso88596", "ISO_8859_6"},
    {"iso88597", "ISO_8859_7"},
    {"iso88598", "ISO_8859_8"},
    {"iso88599", "LATIN5"},
    {"johab", "JOHAB"},
    {"koi8", "KOI8R"},
    {"koi8r", "KOI8R"},
    {"koi8u", "KOI8U"},
    {"latin1", "LATIN1"},
    {"latin10", "LATIN10"},
    {"latin2", "LATIN2"},
    {"latin3", "LATIN3"},
    {"latin4", "LATIN4"},
    {"latin5", "LATIN5"},
    {"latin6", "LATIN6"},
    {"latin7", "LATIN7"},
    {"latin8", "LATIN8"},
    {"latin9", "LATIN9"},
    {"mskanji", "SJIS"},
    {"muleinternal", "MULE_INTERNAL"},
    {"shiftjis", "SJIS"},
    {"shiftjis2004", "SHIFT_JIS_2004"},
    {"sjis", "SJIS"},
    {"sqlascii", "SQL_ASCII"},
    {"tcvn", "WIN1258"},
    {"tcvn5712", "WIN1258"},
    {"uhc", "UHC"},
    {"unicode", "UTF8"},
    {"utf8", "UTF8"},
    {"vscii", "WIN1258"},
    {"win", "WIN1251"},
    {"win1250", "WIN1250"},
    {"win1251", "WIN1251"},
    {"win1252", "WIN1252"},
    {"win1253", "WIN1253"},
    {"win1254", "WIN1254"},
    {"win1255", "WIN1255"},
    {"win1256", "WIN1256"},
    {"win1257", "WIN1257"},
    {"win1258", "WIN1258"},
    {"win866", "WIN866"},
    {"win874", "WIN874"},
    {"win932", "SJIS"},
    {"win936", "GBK"},
    {"win949", "UHC"},
    {"win950", "BIG5"},
    {"windows1250", "WIN1250"},
    {"windows1251", "WIN1251"},
    {"windows1252", "WIN1252"},
    {"windows1253", "WIN1253"},
    {"windows1254", "WIN1254"},
    {"windows1255", "WIN1255"},
    {"windows1256", "WIN1256"},
    {"windows1257", "WIN1257"},
    {"windows1258", "WIN1258"},
    {"windows866", "WIN866"},
    {"windows874", "WIN874"},
    {"windows932", "SJIS"},
    {"windows936", "GBK"},
    {"windows949", "UHC"},
    {"windows950", "BIG5"},
};

// PostgreSQL ignores names this long (NAMEDATALEN).
constexpr std::size_t kMaxNameLength = 63;

const Encoding* find_encoding(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameLength) return nullptr;
  char key_bytes[kMaxNameLength];
  std::size_t key_length = 0;
  for (const char c : name) {
    if (c >= 'A' && c <= 'Z') {
      key_bytes[key_length++] = static_cast<char>(c | 0x20);
    } else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      key_bytes[key_length++] = c;
    }
  }
  const std::string_view key(key_bytes, key_length);
  for (const Alias& alias : kAliases) {
    if (alias.key != key) continue;
    for (const Encoding& encoding : kEncodings) {
      if (encoding.name == alias.name) return &encoding;
    }
  }
  return nullptr;
}

iconv_t as_iconv(void* converter) { return static_cast<iconv_t>(converter); }
constexpr auto kIconvFailed = static_cast<std::size_t>(-1);

constexpr bool is_plain_atom_byte(unsigned char c) { return c >= ' ' && c < 0x7F && c != '\'' && c != '\\'; }

// Writes the inside of a quoted atom. PostgreSQL refuses a zero byte in
// every encoding, so it is written as an invalid byte.
class AtomSink {
 public:
  AtomSink(char* out, bool& invalid) : out_(out), invalid_(invalid) {}
  char* end() const { return out_; }

  // Copies the bytes from `p` that go into the atom as they are, eight
  // at a time; the store may run up to eight bytes past them.
  void copy_plain(const unsigned char*& p, const unsigned char* end) {
    while (end - p >= 8) {
      const std::uint64_t word = swar::load8(reinterpret_cast<const char*>(p));
      const std::uint64_t stops = (word & swar::kHighBits) | swar::bytes_below(word, ' ') |
                                  swar::bytes_equal(word, '\'') | swar::bytes_equal(word, '\\') |
                                  swar::bytes_equal(word, '\x7f');
      swar::store8(out_, word);
      if (stops != 0) {
        const unsigned clean = swar::first_flagged(stops);
        p += clean;
        out_ += clean;
        return;
      }
      p += 8;
      out_ += 8;
    }
    while (p < end && is_plain_atom_byte(*p)) *out_++ = static_cast<char>(*p++);
  }
  void ascii(unsigned char c) {
    if (c == 0) return bad(c);
    out_ = write_atom_byte(out_, c);
  }
  void text(const unsigned char* p, std::size_t length) {
    std::memcpy(out_, p, length);
    out_ += length;
  }
  void bad(unsigned char c) {
    constexpr char kHex[] = "0123456789ABCDEF";
    const char escape[] = {'\\', 'x', kHex[c >> 4], kHex[c & 15], '\\'};
    std::memcpy(out_, escape, sizeof escape);
    out_ += sizeof escape;
    invalid_ = true;
  }

 private:
  char* out_;
  bool& invalid_;
};

// Appends to a name: nothing escaped, invalid bytes kept.
class NameSink {
 public:
  explicit NameSink(std::string& out) : out_(out) {}
  void copy_plain(const unsigned char*& p, const unsigned char* end) {
    const unsigned char* const from = p;
    while (p < end && *p < 0x80) ++p;
    out_.append(reinterpret_cast<const char*>(from), static_cast<std::size_t>(p - from));
  }
  void ascii(unsigned char c) { out_.push_back(static_cast<char>(c)); }
  void text(const unsigned char* p, std::size_t length) { out_.append(reinterpret_cast<const char*>(p), length); }
  void bad(unsigned char c) { out_.push_back(static_cast<char>(c)); }

 private:
  std::string& out_;
};

// The length of the bytes from the start of `bytes` that iconv may
// convert before a lone byte PostgreSQL refuses.
std::size_t until_lone_byte(std::string_view bytes, std::uint8_t lone_bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      ++i;
    } else if (lone_bytes == euc_controls) {
      if (c <= 0x9F && c != 0x8E && c != 0x8F) return i;
      ++i;
    } else if (lone_bytes == two_byte_ends) {
      if (c == 0x80 || c == 0xFF) return i;
      i += 2;
    } else {
      return bytes.size();
    }
  }
  return bytes.size();
}

// Passes converted UTF-8 on to a sink.
template <typename Sink>
void emit_utf8(const char* from, const char* to, Sink& sink) {
  const auto* p = reinterpret_cast<const unsigned char*>(from);
  const auto* const end = reinterpret_cast<const unsigned char*>(to);
  while (p < end) {
    sink.copy_plain(p, end);
    if (p == end) break;
    if (*p < 0x80) {
      sink.ascii(*p++);
      continue;
    }
    const unsigned char* const run = p;
    while (p < end && *p >= 0x80) ++p;
    sink.text(run, static_cast<std::size_t>(p - run));
  }
}

}  // namespace

bool TextEncoding::fill_byte_table(void* converter, ByteTable& table) {
  const iconv_t cd = as_iconv(converter);
  for (std::size_t byte = 0; byte < table.size(); ++byte) {
    char in_byte = static_cast<char>(0x80 + byte);
    char utf8[8];
    char* in = &in_byte;
    std::size_t in_left = 1;
    char* out = utf8;
    std::size_t out_left = sizeof utf8;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const bool converted = iconv(cd, &in, &in_left, &out, &out_left) != kIconvFailed;
    if (!converted && errno == EINVAL) return false;
    const bool flushed = converted && iconv(cd, nullptr, nullptr, &out, &out_left) != kIconvFailed;
    const auto length = static_cast<std::size_t>(out - utf8);
    HighByte& entry = table[byte];
    entry.length = flushed && length <= entry.utf8.size() ? static_cast<std::uint8_t>(length) : 0;
    std::memcpy(entry.utf8.data(), utf8, entry.length);
  }
  return true;
}

TextEncoding::TextEncoding() = default;

TextEncoding::~TextEncoding() {
  if (converter_ != nullptr) iconv_close(as_iconv(converter_));
}

bool TextEncoding::select(std::string_view name) {
  const Encoding* encoding = find_encoding(name);
  if (encoding == nullptr) return false;
  Form form = Form::converter;
  if (encoding->name == "UTF8") {
    form = Form::utf8;
  } else if (encoding->name == "SQL_ASCII") {
    form = Form::bytes;
  } else if (encoding->iconv_name == nullptr) {
    return false;
  }
  iconv_t converter = reinterpret_cast<iconv_t>(-1);
  if (form == Form::converter) {
    converter = iconv_open("UTF-8", encoding->iconv_name);
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    // An encoding in which no byte starts a longer character is read
    // through a table; the converter is only needed to fill it.
    ByteTable table;
    if (fill_byte_table(converter, table)) {
      high_bytes_ = table;
      iconv_close(converter);
      converter = reinterpret_cast<iconv_t>(-1);
      form = Form::byte_table;
    }
  }
  if (converter_ != nullptr) iconv_close(as_iconv(converter_));
  converter_ = form == Form::converter ? converter : nullptr;
  form_ = form;
  lone_bytes_ = encoding->lone_bytes;
  name_ = encoding->name;
  iconv_name_ = encoding->iconv_name;
  return true;
}

template <typename Sink>
void TextEncoding::convert(std::string_view bytes, Sink& sink) const {
  if (form_ == Form::converter) return convert_through_iconv(bytes, sink);
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = p + bytes.size();
  while (p < end) {
    sink.copy_plain(p, end);
    if (p == end) break;
    const unsigned char c = *p;
    if (c < 0x80) {
      sink.ascii(c);
      ++p;
      continue;
    }
    switch (form_) {
      case Form::utf8:
        if (const std::size_t length = utf8_length(p, end); length != 0) {
          sink.text(p, length);
          p += length;
          continue;
        }
        sink.bad(c);
        break;
      case Form::bytes: sink.text(p, 1); break;
      case Form::byte_table:
        if (const HighByte& entry = high_bytes_[c - 0x80]; entry.length != 0) {
          sink.text(reinterpret_cast<const unsigned char*>(entry.utf8.data()), entry.length);
        } else {
          sink.bad(c);
        }
        break;
      case Form::converter: break;
    }
    ++p;
  }
}

template <typename Sink>
void TextEncoding::convert_through_iconv(std::string_view bytes, Sink& sink) const {
  const iconv_t converter = as_iconv(converter_);
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(bytes.data());  // iconv() only reads it
  std::size_t in_left = bytes.size();
  char buffer[1024];
  const auto flush = [&] {
    char* out = buffer;
    std::size_t out_left = sizeof buffer;
    iconv(converter, nullptr, nullptr, &out, &out_left);
    emit_utf8(buffer, out, sink);
  };
  std::size_t clear = until_lone_byte(bytes, lone_bytes_);
  for (;;) {
    char* out = buffer;
    std::size_t out_left = sizeof buffer;
    if (in_left == 0) {
      flush();
      return;
    }
    std::size_t clear_left = std::min(clear, in_left);
    const char* const from = in;
    const bool failed = clear_left != 0 && iconv(converter, &in, &clear_left, &out, &out_left) == kIconvFailed;
    const int error = failed ? errno : 0;
    const auto converted = static_cast<std::size_t>(in - from);
    in_left -= converted;
    clear -= converted;
    emit_utf8(buffer, out, sink);
    if ((!failed && clear != 0) || error == E2BIG) continue;
    if (in_left == 0) continue;
    // A character held back to combine with the next one comes first.
    flush();
    sink.bad(static_cast<unsigned char>(*in));
    ++in;
    --in_left;
    clear = until_lone_byte({in, in_left}, lone_bytes_);
  }
}

char* TextEncoding::write_atom_text(std::string_view bytes, char* out, bool& invalid) const {
  AtomSink sink(out, invalid);
  convert(bytes, sink);
  return sink.end();
}

std::size_t TextEncoding::piece_end(std::string_view bytes, std::size_t most) const {
  if (most >= bytes.size() || form_ == Form::converter) return bytes.size();
  if (form_ != Form::utf8) return most;
  // A character runs past the cut only if it starts in the last three
  // bytes before it; cutting before a lead byte never splits one.
  for (std::size_t back = 1; back <= 3 && back < most; ++back) {
    if (static_cast<unsigned char>(bytes[most - back]) >= 0xC0) return most - back;
  }
  return most;
}

void TextEncoding::append_utf8(std::string_view bytes, std::string& out) const {
  NameSink sink(out);
  convert(bytes, sink);
}

bool TextEncoding::append_code_point(std::uint32_t code, std::string& out) const {
  char utf8[4];
  std::size_t length = 0;
  if (code < 0x80) {
    utf8[length++] = static_cast<char>(code);
  } else if (code < 0x800) {
    utf8[length++] = static_cast<char>(0xC0 | (code >> 6));
    utf8[length++] = static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    utf8[length++] = static_cast<char>(0xE0 | (code >> 12));
    utf8[length++] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    utf8[length++] = static_cast<char>(0x80 | (code & 0x3F));
  } else {
    utf8[length++] = static_cast<char>(0xF0 | (code >> 18));
    utf8[length++] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    utf8[length++] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    utf8[length++] = static_cast<char>(0x80 | (code & 0x3F));
  }
  if (form_ == Form::utf8 || form_ == Form::bytes || code < 0x80) {
    out.append(utf8, length);
    return true;
  }
  if (form_ == Form::byte_table) {
    for (std::size_t byte = 0; byte < high_bytes_.size(); ++byte) {
      const HighByte& entry = high_bytes_[byte];
      if (entry.length == length && std::memcmp(entry.utf8.data(), utf8, length) == 0) {
        out += static_cast<char>(0x80 + byte);
        return true;
      }
    }
    return false;
  }
  // Escapes are rare: a converter the other way is opened for each.
  const iconv_t back = iconv_open(iconv_name_, "UTF-8");
  if (back == reinterpret_cast<iconv_t>(-1)) return false;
  char converted[16];
  char* in = utf8;
  std::size_t in_left = length;
  char* to = converted;
  std::size_t to_left = sizeof converted;
  const bool ok = iconv(back, &in, &in_left, &to, &to_left) != kIconvFailed;
  iconv_close(back);
  if (ok) out.append(converted, static_cast<std::size_t>(to - converted));
  return ok;
}

}  // namespace pgdump2pl
