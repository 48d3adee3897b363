#include "layouts/row_conversion.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

#include "facts/prolog_text.h"
#include "layouts/field_reader.h"

namespace pgdump2pl {
namespace {

constexpr std::size_t kMostFields = 4;
constexpr std::size_t kShortFunctor = 16;

// Why an integer field failed, given where its bytes start.
FieldProblem problem_of_integer_field(const char* field) {
  if (ends_word(*field)) return FieldProblem::missing;
  if (field[0] == '\\' && field[1] == 'N' && ends_word(field[2])) return FieldProblem::null;
  return FieldProblem::not_integer;
}

}  // namespace

template <std::size_t... kRule>
constexpr auto RowConversion::converters(std::index_sequence<kRule...>) {
  return std::array<Converter, sizeof...(kRule)>{&convert_by<kRule>...};
}

void RowConversion::start_table(std::string_view table_name, std::string_view functor) {
  static constexpr auto kConverters = converters(std::make_index_sequence<std::size(kConversionRules)>());
  const ConversionRule* rule = rule_for(table_name);
  convert_ = rule == nullptr ? nullptr : kConverters[static_cast<std::size_t>(rule - kConversionRules)];
  functor_.assign(functor);
  functor_size_ = functor_.size();
  functor_.resize(std::max(functor_size_, kShortFunctor));  // room to copy a short one whole
}

// Reads a field, unless an earlier field of the row failed, and writes the
// slot's value. A fact's arguments are its rule's fields in order, so the
// fact is written as the row is read.
template <Slot kSlot, std::uint32_t kField>
inline char* RowConversion::put_field(const char*& row, bool& reading, RowFit& fit, char* out) {
  auto& value = slots_.slot<kSlot>();
  if constexpr (is_text(kSlot)) {
    if (reading) {
      const char* const word = skip_space_in_row(row);
      reading = !ends_word(*word);
      if (reading) {
        out = write_quoted_word(out, word, row);
        value.assign(word, static_cast<std::size_t>(row - word));
        if (row - word == 2 && word[0] == '\\' && word[1] == 'N') fit.note(kField, FieldProblem::null);
        return out;
      }
      fit.note(kField, FieldProblem::missing);
    }
    return write_quoted(out, value.view());
  } else {
    if (reading) {
      const IntegerScan scan = read_integer(row, value);
      if (!scan.ok) fit.note(kField, problem_of_integer_field(skip_space_in_row(row)));
      reading = scan.ok;
      row = scan.next;
      // Copied from the row rather than from the slot just stored, which
      // would stall the load.
      if (scan.as_spelled) return IntegerSlot::copy_spelling(out, row - value.size(), value.size());
    }
    return value.copy_to(out);
  }
}

template <std::size_t kRuleIndex>
RowFit RowConversion::convert_by(RowConversion& self, std::string_view row, FactWriter& out) {
  constexpr ConversionRule kRule = kConversionRules[kRuleIndex];
  // The texts of a fact are words of this row, which together are no
  // longer than the row, or values kept in the two text slots.
  const std::size_t text_bytes = row.size() + self.slots_.texts[0].size() + self.slots_.texts[1].size();
  if (text_bytes > kLongText) [[unlikely]]
    return self.convert_long(kConversionRules[kRuleIndex], row, out);
  char* p = out.reserve(self.functor_.size() + 3 + kMostFields * (1 + IntegerSlot::kCopySize) +
                        quoted_size_bound(text_bytes) + quoted_size_bound(0));
  if (self.functor_size_ <= kShortFunctor) {
    std::memcpy(p, self.functor_.data(), kShortFunctor);  // a fixed size: no call
  } else {
    std::memcpy(p, self.functor_.data(), self.functor_size_);
  }
  p += self.functor_size_;
  const char* in = row.data();
  bool reading = true;
  RowFit fit;
  [&]<std::size_t... kField>(std::index_sequence<kField...>) {
    ((*p++ = kField == 0 ? '(' : ',',
      p = self.put_field<kRule.slots[kField], static_cast<std::uint32_t>(kField + 1)>(in, reading, fit, p)),
     ...);
  }
  (std::make_index_sequence<kRule.field_count>());
  std::memcpy(p, ").\n", 3);
  out.commit(p + 3);
  return fit;
}

// As convert_by() writes a row, but each text a piece at a time. The
// slots take the row's words once the fact is written (a rule reads each
// slot once): the longest stays in the line reader's buffer, which the
// slot takes over, so that the row is held once.
RowFit RowConversion::convert_long(const ConversionRule& rule, std::string_view row, FactWriter& out) {
  struct Word {
    TextSlot* slot;
    const char* text;
    std::size_t size;
  };
  Word words[2];
  std::size_t word_count = 0;
  out.append({functor_.data(), functor_size_});
  const char* in = row.data();
  bool reading = true;
  RowFit fit;
  for (std::size_t k = 0; k < rule.field_count; ++k) {
    const auto field = static_cast<std::uint32_t>(k + 1);
    const Slot slot = rule.slots[k];
    char* o = out.reserve(1 + IntegerSlot::kCopySize);
    *o++ = k == 0 ? '(' : ',';
    if (!is_text(slot)) {
      IntegerSlot& value = slots_.integers[static_cast<std::size_t>(slot) - static_cast<std::size_t>(Slot::integer1)];
      if (reading) {
        const IntegerScan scan = read_integer(in, value);
        if (!scan.ok) fit.note(field, problem_of_integer_field(skip_space_in_row(in)));
        reading = scan.ok;
        in = scan.next;
      }
      out.commit(value.copy_to(o));
      continue;
    }
    out.commit(o);
    TextSlot& value = slots_.texts[static_cast<std::size_t>(slot) - static_cast<std::size_t>(Slot::text1)];
    if (reading) {
      const char* const word = skip_space_in_row(in);
      reading = !ends_word(*word);
      if (reading) {
        for (in = word; !ends_word(*in);) ++in;
        const auto size = static_cast<std::size_t>(in - word);
        out.append_quoted({word, size});
        words[word_count++] = {&value, word, size};
        if (size == 2 && word[0] == '\\' && word[1] == 'N') fit.note(field, FieldProblem::null);
        continue;
      }
      fit.note(field, FieldProblem::missing);
    }
    out.append_quoted(value.view());
  }
  out.append(").\n");
  Word* longest = nullptr;
  for (Word* word = words; word != words + word_count; ++word) {
    if (longest == nullptr || word->size > longest->size) longest = word;
  }
  const bool keep_in_place =
      longest != nullptr && longest->size > kLongText / 2 && lines_ != nullptr && lines_->holds(longest->text);
  for (Word* word = words; word != words + word_count; ++word) {
    if (word != longest || !keep_in_place) word->slot->assign(word->text, word->size);
  }
  if (keep_in_place) {
    if (LineReader::Buffer buffer = lines_->take_buffer()) {
      longest->slot->adopt(std::move(buffer), longest->text, longest->size);
    } else {
      longest->slot->assign(longest->text, longest->size);
    }
  }
  return fit;
}

}  // namespace pgdump2pl
