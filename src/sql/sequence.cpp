#include "sql/sequence.h"

#include <charconv>
#include <limits>

#include "sql/catalog.h"
#include "sql/object_names.h"
#include "sql/statement_tokens.h"
#include "sql/type_name.h"

namespace pgdump2pl {
namespace {

bool read_integer(SqlLexer& lexer, std::int64_t& value) {
  const bool negative = accept_symbol(lexer, "-");
  if (!negative) accept_symbol(lexer, "+");
  const Token& token = lexer.current();
  if (token.kind != TokenKind::number) return false;
  std::string digits = negative ? "-" : "";
  digits += token.text;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  step(lexer);
  return error == std::errc() && end == digits.data() + digits.size();
}

// OWNED BY's `[schema.]table.column`, or NONE.
void read_owner(SqlLexer& lexer, QualifiedName& owner) {
  std::string parts[3];
  int count = 0;
  while (count < 3) {
    const Token& token = lexer.current();
    if (token.kind != TokenKind::word && token.kind != TokenKind::quoted_name) break;
    parts[count++].assign(token.text);
    if (!step(lexer).is_symbol(".")) break;
    step(lexer);
  }
  owner = {};
  if (count >= 2) {
    owner.name = std::move(parts[count - 2]);
    if (count == 3) owner.schema = std::move(parts[0]);
  }
}

}  // namespace

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

void Sequence::read_options(SqlLexer& lexer, QualifiedName* sequence_name, QualifiedName* owned_by) {
  bool restart = false;
  std::int64_t restart_value = 0;
  bool restart_given = false;
  while (true) {
    std::int64_t value = 0;
    if (accept_word(lexer, "as")) {
      TypeName type;
      if (!read_type_name(lexer, type)) return;
      const ColumnType column = column_type(type.name.name, type.modifiers, type.array);
      if (column.kind == ColumnKind::integer && column.integer_bytes != 0) {
        // Bounds that were the old type's follow the new one, as ALTER SEQUENCE ... AS does.
        if (min_ == type_min()) min_given_ = false;
        if (max_ == type_max()) max_given_ = false;
        integer_bytes_ = column.integer_bytes;
      }
    } else if (accept_word(lexer, "increment")) {
      accept_word(lexer, "by");
      if (read_integer(lexer, value) && value != 0) increment_ = value;
    } else if (accept_word(lexer, "minvalue")) {
      if (read_integer(lexer, value)) {
        min_ = value;
        min_given_ = true;
      }
    } else if (accept_word(lexer, "maxvalue")) {
      if (read_integer(lexer, value)) {
        max_ = value;
        max_given_ = true;
      }
    } else if (accept_word(lexer, "start")) {
      accept_word(lexer, "with");
      if (read_integer(lexer, value)) {
        start_ = value;
        start_given_ = true;
      }
    } else if (accept_word(lexer, "restart")) {
      restart = true;
      if (accept_word(lexer, "with") || lexer.current().kind == TokenKind::number || lexer.current().is_symbol("-")) {
        restart_given = read_integer(lexer, restart_value);
      }
    } else if (accept_word(lexer, "cache")) {
      read_integer(lexer, value);
    } else if (accept_word(lexer, "cycle")) {
      cycle_ = true;
    } else if (accept_word(lexer, "no")) {
      if (accept_word(lexer, "minvalue")) {
        min_given_ = false;
      } else if (accept_word(lexer, "maxvalue")) {
        max_given_ = false;
      } else if (accept_word(lexer, "cycle")) {
        cycle_ = false;
      }
    } else if (accept_word(lexer, "owned")) {
      accept_word(lexer, "by");
      QualifiedName table;
      read_owner(lexer, table);
      if (owned_by != nullptr) *owned_by = std::move(table);
    } else if (accept_word(lexer, "sequence")) {
      accept_word(lexer, "name");
      QualifiedName name;
      if (read_qualified_name(lexer, name) && sequence_name != nullptr) *sequence_name = std::move(name);
    } else if (!accept_word(lexer, "logged") && !accept_word(lexer, "unlogged")) {
      break;
    }
  }
  apply_defaults();
  if (!created_ || restart) {
    last_ = restart_given ? restart_value : start_;
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
