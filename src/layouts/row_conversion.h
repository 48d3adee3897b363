#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "facts/fact_writer.h"
#include "facts/row_fit.h"
#include "io/line_reader.h"
#include "layouts/conversion_rules.h"
#include "layouts/integer_slot.h"
#include "layouts/text_slot.h"

namespace pgdump2pl {

// One set of slots for the whole run, shared by every table: a field a
// row does not read shows the last value any row gave that slot.
struct RowSlots {
  TextSlot texts[2];
  IntegerSlot integers[4];

  template <Slot kSlot>
  auto& slot() {
    if constexpr (is_text(kSlot)) {
      return texts[static_cast<std::size_t>(kSlot) - static_cast<std::size_t>(Slot::text1)];
    } else {
      return integers[static_cast<std::size_t>(kSlot) - static_cast<std::size_t>(Slot::integer1)];
    }
  }
};

// Turns the rows of one table after another into facts.
class RowConversion {
 public:
  // Rows whose texts may pass this many bytes are written a piece at a
  // time, and a long word they give a slot stays in `lines`' buffer
  // rather than being copied (null: rows that come from elsewhere).
  static constexpr std::size_t kLongText = std::size_t{1} << 20;

  explicit RowConversion(LineReader* lines) : lines_(lines) {}

  // Chooses the rule once for all the rows of a table, whose facts are
  // named `functor`.
  void start_table(std::string_view table_name, std::string_view functor);
  // Reads one row into the slots and writes its fact, whatever the row
  // held, and tells whether the fact holds the row's own values. The row
  // must be followed by a line end or a zero byte and kReadSlack more
  // readable bytes; a zero byte inside it ends it. A table no rule covers
  // gives nothing, and its rows count as fitting.
  RowFit convert(std::string_view row, FactWriter& out) {
    return convert_ != nullptr ? convert_(*this, row, out) : RowFit{};
  }

 private:
  using Converter = RowFit (*)(RowConversion&, std::string_view, FactWriter&);
  // One converter per rule, its fields unrolled at compile time.
  template <std::size_t kRuleIndex>
  static RowFit convert_by(RowConversion& self, std::string_view row, FactWriter& out);
  template <Slot kSlot, std::uint32_t kField>
  [[gnu::always_inline]] inline char* put_field(const char*& row, bool& reading, RowFit& fit, char* out);
  template <std::size_t... kRule>
  static constexpr auto converters(std::index_sequence<kRule...>);
  [[gnu::cold, gnu::noinline]] RowFit convert_long(const ConversionRule& rule, std::string_view row, FactWriter& out);

  LineReader* lines_;

  RowSlots slots_;
  Converter convert_ = nullptr;
  std::string functor_;  // padded with zeros to at least 16 bytes
  std::size_t functor_size_ = 0;
};

}  // namespace pgdump2pl
