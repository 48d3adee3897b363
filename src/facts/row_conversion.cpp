#include "facts/row_conversion.h"

#include <algorithm>
#include <charconv>

#include "facts/field_reader.h"
#include "facts/prolog_text.h"

namespace pgdump2pl {
namespace {

constexpr std::size_t kIntegerDigits = 20;  // "-9223372036854775808"

}  // namespace

std::int64_t& RowSlots::integer(Slot slot) {
  switch (slot) {
    case Slot::ent1: return ent1;
    case Slot::ent2: return ent2;
    case Slot::ent3: return ent3;
    default: return ent4;
  }
}

void RowConversion::start_table(std::string_view table_name) {
  rule_ = rule_for(table_name);
  functor_ = functor_for(table_name);
}

void RowConversion::convert(const char* row, FactWriter& out) {
  if (rule_ == nullptr) return;
  for (const Slot slot : rule_->fields()) {
    const FieldScan scan = is_text(slot) ? read_word(row, slots_.text(slot))
                                         : read_integer(row, slots_.integer(slot));
    if (!scan.ok) break;
    row = scan.next;
  }
  write_fact(out);
}

void RowConversion::write_fact(FactWriter& out) {
  std::size_t bound = functor_.size() + 3;  // "(" and ").\n", commas below
  for (const Slot slot : rule_->fields()) {
    bound += 1 + (is_text(slot) ? quoted_size_bound(slots_.text(slot).size()) : kIntegerDigits);
  }
  char* p = out.reserve(bound);
  p = std::copy(functor_.begin(), functor_.end(), p);
  char separator = '(';
  for (const Slot slot : rule_->fields()) {
    *p++ = separator;
    separator = ',';
    p = is_text(slot) ? write_quoted(p, slots_.text(slot))
                      : std::to_chars(p, p + kIntegerDigits, slots_.integer(slot)).ptr;
  }
  *p++ = ')';
  *p++ = '.';
  *p++ = '\n';
  out.commit(p);
}

}  // namespace pgdump2pl
