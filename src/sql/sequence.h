#pragma once

#include <cstdint>
#include <string>

#include "sql/sequence_options.h"

namespace pgdump2pl {

// A sequence's bounds and state, as nextval and setval see them.
class Sequence {
 public:
  // A new sequence of an integer type of `integer_bytes` (2, 4 or 8).
  explicit Sequence(std::uint8_t integer_bytes = 8) : integer_bytes_(integer_bytes) {}

  // Takes CREATE SEQUENCE's options, or ALTER SEQUENCE's, or an identity
  // column's parenthesised ones; their names are the caller's.
  void apply(const SequenceOptions& options);
  // The options of `source` for a new sequence: LIKE ... INCLUDING IDENTITY.
  void copy_options(const Sequence& source);

  bool next(std::int64_t& value);
  // setval(): false when `value` is out of the sequence's bounds.
  bool set(std::int64_t value, bool is_called);

  std::string owner;      // the key of the table whose column it belongs to, or empty
  bool identity = false;  // an identity column's: never a column default of its own

 private:
  void apply_defaults();
  void settle();  // a sequence no option was read for has the defaults
  std::int64_t type_min() const;
  std::int64_t type_max() const;

  std::uint8_t integer_bytes_;
  std::int64_t increment_ = 1;
  std::int64_t min_ = 1;
  std::int64_t max_ = INT64_MAX;
  std::int64_t start_ = 1;
  std::int64_t last_ = 1;  // nextval returns it when !is_called_, else goes past it
  bool is_called_ = false;
  bool cycle_ = false;
  // Which were written; the others follow the type and the direction.
  bool min_given_ = false, max_given_ = false, start_given_ = false;
  bool created_ = false;
};

}  // namespace pgdump2pl
