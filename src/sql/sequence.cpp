#include "sql/sequence.h"

#include <limits>

namespace pgdump2pl {

std::int64_t Sequence::type_min() const {
  if (integer_bytes_ == 2) return std::numeric_limits<std::int16_t>::min();
  if (integer_bytes_ == 4) return std::numeric_limits<std::int32_t>::min();
  return std::numeric_limits<std::int64_t>::min();
}

std::int64_t Sequence::type_max() const {
  if (integer_bytes_ == 2) return std::numeric_limits<std::int16_t>::max();
  if (integer_bytes_ == 4) return std::numeric_limits<std::int32_t>::max();
  return std::numeric_limits<std::int64_t>::max();
}

void Sequence::apply(const SequenceOptions& options) {
  for (const SequenceOption& option : options.options) {
    switch (option.kind) {
      case SequenceOption::Kind::integer_type:
        // Bounds that were the old type's follow the new one, as ALTER SEQUENCE ... AS does.
        if (min_ == type_min()) min_given_ = false;
        if (max_ == type_max()) max_given_ = false;
        integer_bytes_ = static_cast<std::uint8_t>(option.value);
        break;
      case SequenceOption::Kind::increment: increment_ = option.value; break;
      case SequenceOption::Kind::min_value:
        min_ = option.value;
        min_given_ = true;
        break;
      case SequenceOption::Kind::max_value:
        max_ = option.value;
        max_given_ = true;
        break;
      case SequenceOption::Kind::start:
        start_ = option.value;
        start_given_ = true;
        break;
      case SequenceOption::Kind::cycle: cycle_ = true; break;
      case SequenceOption::Kind::no_min_value: min_given_ = false; break;
      case SequenceOption::Kind::no_max_value: max_given_ = false; break;
      case SequenceOption::Kind::no_cycle: cycle_ = false; break;
    }
  }
  if (!options.complete) return;
  apply_defaults();
  if (!created_ || options.restart) {
    last_ = options.restart_with.value_or(start_);
    is_called_ = false;
    created_ = true;
  }
}

void Sequence::apply_defaults() {
  // PostgreSQL's: an ascending sequence runs from 1 up to the type's
  // largest value, a descending one from -1 down to its smallest.
  if (!min_given_) min_ = increment_ > 0 ? 1 : type_min();
  if (!max_given_) max_ = increment_ > 0 ? type_max() : -1;
  if (!start_given_) start_ = increment_ > 0 ? min_ : max_;
  // What is settled stays when a later ALTER SEQUENCE changes another option.
  min_given_ = max_given_ = start_given_ = true;
}

void Sequence::settle() {
  if (created_) return;
  apply_defaults();
  last_ = start_;
  is_called_ = false;
  created_ = true;
}

void Sequence::copy_options(const Sequence& source) {
  integer_bytes_ = source.integer_bytes_;
  increment_ = source.increment_;
  min_ = source.min_;
  max_ = source.max_;
  start_ = source.start_;
  cycle_ = source.cycle_;
  min_given_ = max_given_ = start_given_ = created_ = true;
  last_ = start_;
  is_called_ = false;
}

bool Sequence::next(std::int64_t& value) {
  settle();
  if (!is_called_) {
    if (last_ < min_ || last_ > max_) return false;
    is_called_ = true;
    value = last_;
    return true;
  }
  std::int64_t next_value = 0;
  if (increment_ > 0 ? last_ > max_ - increment_ : last_ < min_ - increment_) {
    if (!cycle_) return false;
    next_value = increment_ > 0 ? min_ : max_;
  } else {
    next_value = last_ + increment_;
  }
  last_ = next_value;
  value = next_value;
  return true;
}

bool Sequence::set(std::int64_t value, bool is_called) {
  settle();
  if (value < min_ || value > max_) return false;
  last_ = value;
  is_called_ = is_called;
  return true;
}

}  // namespace pgdump2pl
