#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pgdump2pl {

// The room write_atom_text() needs for `size` bytes: a byte may become a
// six-byte \xHH\ escape; eight more may be stored past the end.
constexpr std::size_t atom_text_bound(std::size_t size) { return 6 * size + 8; }

// The encoding a script's bytes are in, by PostgreSQL's names, and their
// conversion to the fact file's UTF-8.
class TextEncoding {
 public:
  TextEncoding();  // UTF8
  ~TextEncoding();
  TextEncoding(const TextEncoding&) = delete;
  TextEncoding& operator=(const TextEncoding&) = delete;

  // An encoding PostgreSQL knows, in any case, with its aliases (UNICODE,
  // LATIN1, ISO_8859_1, WIN1252, WIN, ALT, SJIS, ...). false, and nothing
  // changed, when it is not one or the C library cannot convert from it.
  bool select(std::string_view name);
  // PostgreSQL's own name for it: UTF8, LATIN2, SQL_ASCII, ...
  std::string_view name() const { return name_; }

  // Writes `bytes` at `out` as the inside of a single-quoted Prolog atom
  // that SWI-Prolog reads as their characters, converted to UTF-8: `'`
  // and `\` escaped, control bytes as \n, \t ... or \NNN\. A byte that is
  // not valid in the encoding is written \xHH\ and sets `invalid`.
  // SQL_ASCII passes every byte from 128 up through as it is. `out`
  // needs atom_text_bound(bytes.size()).
  char* write_atom_text(std::string_view bytes, char* out, bool& invalid) const;
  // Where `bytes` may be cut at or before `most` so that writing the two
  // parts gives what writing them whole gives: never inside a character.
  // For an encoding read through iconv, which keeps state, no cut: the
  // size of `bytes`.
  std::size_t piece_end(std::string_view bytes, std::size_t most) const;

  // Converts `bytes` to UTF-8 for a name; invalid bytes stay as they are.
  void append_utf8(std::string_view bytes, std::string& out) const;

  // Appends the character `code` (a Unicode code point) in this encoding,
  // as a string's Unicode escape stands among the script's other bytes;
  // false when the encoding has no such character.
  bool append_code_point(std::uint32_t code, std::string& out) const;

 private:
  // How the bytes are read: UTF-8 checked, bytes passed through, a byte
  // table of a one-byte encoding, or iconv for the others.
  enum class Form : std::uint8_t { utf8, bytes, byte_table, converter };
  // The UTF-8 of a byte from 128 up in a one-byte encoding; length 0
  // when the encoding has no character there.
  struct HighByte {
    std::array<char, 3> utf8{};
    std::uint8_t length = 0;
  };

  using ByteTable = std::array<HighByte, 128>;  // for the bytes from 128 up

  // Fills `table` from an iconv_t; false when a byte of the encoding only
  // starts a longer character, so that no table can read it.
  static bool fill_byte_table(void* converter, ByteTable& table);
  template <typename Sink>
  void convert(std::string_view bytes, Sink& sink) const;
  template <typename Sink>
  void convert_through_iconv(std::string_view bytes, Sink& sink) const;

  std::string name_ = "UTF8";
  const char* iconv_name_ = nullptr;
  Form form_ = Form::utf8;
  // Lead bytes PostgreSQL refuses where iconv takes them alone:
  // LoneByte values, see the implementation.
  std::uint8_t lone_bytes_ = 0;
  void* converter_ = nullptr;  // an iconv_t, open while form_ is converter
  ByteTable high_bytes_{};
};

}  // namespace pgdump2pl
