#pragma once

// One line of a fact file read as a plain fact, `name(Arg,...).`, where
// each argument is an integer, a float, an atom, [] or a list or compound
// of such, written with no layout, into values in the order met. What it
// accepts it reads as SWI-Prolog's reader does; it refuses the rest, for
// that reader to read.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pgdump2pl {

// One value of a fact, in the order the parser met it: a compound or a
// list is followed by its `count` arguments or elements.
struct FactValue {
  enum class Kind : unsigned char { integer, real, atom, nil, compound, list };
  explicit FactValue(Kind what) : kind(what) {}
  Kind kind;
  bool ascii = true;  // an atom's or a compound name's text is ASCII
  std::uint32_t count = 0;
  std::int64_t integer = 0;
  double real = 0;
  std::size_t text = 0;  // offset and length in FactLine's texts
  std::size_t length = 0;
};

class FactLine {
 public:
  // The fact in [p, end), which must end with ".\n" or with "." at the
  // end of the file; false leaves it to Prolog's reader.
  bool parse(const char* p, const char* end);

  // The head first, each compound or list followed by its values.
  const std::vector<FactValue>& values() const { return values_; }
  std::string_view text(const FactValue& value) const { return {texts_.data() + value.text, value.length}; }
  // The characters of the line taken, as a UTF-8 stream counts them.
  std::size_t characters() const { return line_size_ - continuation_bytes_; }

 private:
  bool value(int depth);
  bool atom_or_compound(int depth);
  bool arguments(int depth, char close, std::size_t at);
  bool quoted(bool& ascii);
  bool escape(bool& ascii);
  bool number();
  bool list(int depth);

  std::vector<FactValue> values_;
  std::string texts_;
  const char* p_ = nullptr;
  const char* end_ = nullptr;
  std::size_t line_size_ = 0;
  std::size_t continuation_bytes_ = 0;  // of raw UTF-8 in quoted atoms
};

}  // namespace pgdump2pl
