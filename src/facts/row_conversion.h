#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "facts/conversion_rules.h"
#include "facts/fact_writer.h"

namespace pgdump2pl {

// One set of slots for the whole run, shared by every table: a field a
// row does not read shows the last value any row gave that slot.
struct RowSlots {
  std::string txt1;
  std::string txt2;
  std::int64_t ent1 = 0;
  std::int64_t ent2 = 0;
  std::int64_t ent3 = 0;
  std::int64_t ent4 = 0;

  std::string& text(Slot slot) { return slot == Slot::txt1 ? txt1 : txt2; }
  std::int64_t& integer(Slot slot);
};

// Turns the rows of one table after another into facts.
class RowConversion {
 public:
  // Chooses the rule and the functor once for all the rows of a table.
  void start_table(std::string_view table_name);
  // Reads one zero-terminated row into the slots and writes its fact,
  // whatever the row held. A table no rule covers gives nothing.
  void convert(const char* row, FactWriter& out);

  const RowSlots& slots() const { return slots_; }

 private:
  void write_fact(FactWriter& out);

  RowSlots slots_;
  const ConversionRule* rule_ = nullptr;
  std::string functor_;
};

}  // namespace pgdump2pl
