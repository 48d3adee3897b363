#include "sql/table_rows.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "values/character_fit.h"
#include "values/field_terms.h"

namespace pgdump2pl {

void TableRows::start(const Table* table) {
  table_ = table;
  columns_.clear();
  target_.clear();
  known_ = false;
  in_order_ = false;
}

void TableRows::plan(const std::vector<std::string>& listed, bool insert) {
  target_.clear();
  if (table_ != nullptr) {
    columns_.clear();
    for (const Column& column : table_->columns) {
      if (!column.generated) columns_.push_back({column.type, &column.default_value, column.name, column.type_name});
    }
    known_ = true;
  } else if (!listed.empty() && !known_) {
    for (const std::string& name : listed) columns_.push_back({ColumnType{}, nullptr, name, {}});
    known_ = true;
  }
  if (listed.empty() && table_ != nullptr) {
    std::size_t column = 0;
    for (const Column& declared : table_->columns) {
      if (!declared.generated) {
        target_.push_back(static_cast<int>(column++));
      } else if (insert) {
        target_.push_back(-1);
      }
    }
  }
  for (std::size_t i = 0; i < listed.size(); ++i) {
    int found = -1;
    for (std::size_t k = 0; k < columns_.size(); ++k) {
      if (columns_[k].name == listed[i]) found = static_cast<int>(k);
    }
    if (found < 0 && !(table_ != nullptr && is_generated(listed[i]))) {
      // A column the definitions do not know is a text, after theirs.
      columns_.push_back({ColumnType{}, nullptr, listed[i], {}});
      found = static_cast<int>(columns_.size() - 1);
    }
    target_.push_back(found);
  }
  in_order_ = target_.size() == columns_.size();
  for (std::size_t i = 0; in_order_ && i < target_.size(); ++i) in_order_ = target_[i] == static_cast<int>(i);
}

void TableRows::set_text_columns(std::size_t count) {
  for (std::size_t i = columns_.size(); i < count; ++i) columns_.push_back({ColumnType{}, nullptr, {}, {}});
  for (std::size_t i = target_.size(); i < count; ++i) target_.push_back(static_cast<int>(i));
  known_ = true;
  in_order_ = target_.size() == columns_.size();
  for (std::size_t i = 0; in_order_ && i < target_.size(); ++i) in_order_ = target_[i] == static_cast<int>(i);
}

std::string_view TableRows::name_of_field(std::size_t field) const {
  if (field >= target_.size() || target_[field] < 0) return {};
  return columns_[static_cast<std::size_t>(target_[field])].name;
}

bool TableRows::is_generated(std::string_view name) const {
  for (const Column& column : table_->columns) {
    if (column.name == name) return column.generated;
  }
  return false;
}

RowFit TableRows::write(const RowFields& row, bool copy, std::string_view functor, const TextEncoding& encoding,
                        Catalog& catalog, FactWriter& facts, bool as_list, PrologDialect dialect) {
  if (!known_) set_text_columns(row.count);
  if (row.count > target_.size() || (copy && row.count < target_.size())) {
    return {FieldProblem::field_count, static_cast<std::uint32_t>(row.count)};
  }
  chosen_.resize(columns_.size());
  refitted_.resize(columns_.size());
  defaults_.resize(columns_.size());
  too_long_.resize(columns_.size());
  if (row.count == columns_.size() && in_order_) {
    for (std::size_t i = 0; i < row.count; ++i) chosen_[i] = &row.fields[i];
  } else {
    std::fill(chosen_.begin(), chosen_.end(), nullptr);
    for (std::size_t i = 0; i < row.count; ++i) {
      if (target_[i] >= 0) chosen_[static_cast<std::size_t>(target_[i])] = &row.fields[i];
    }
  }
  // A column's default, and a string its column or a cast refits, are
  // fields of their own; then one reservation for the whole fact.
  std::size_t bound = functor.size() + 5;
  for (std::size_t k = 0; k < columns_.size(); ++k) {
    const Field* field = chosen_[k];
    if (field == nullptr || field->source == Field::Source::default_value)
      field = &default_for(columns_[k], k, catalog);
    too_long_[k] = false;
    if (field->source == Field::Source::value &&
        (field->cast_length > 0 || may_refit(columns_[k].type, field->bytes.size(), field->blank_padded))) {
      field = &refit(*field, row.value(*field), columns_[k].type, encoding, k);
    }
    chosen_[k] = field;
    bound += field_term_bound(field->bytes.size()) + 1;
  }
  // A string held where it was read is long, so its row goes in pieces.
  const bool holding = row.held != nullptr;
  if (holding) [[unlikely]]
    refit_held(row, encoding);
  // A long row goes a field at a time, a long text a piece at a time.
  const bool in_pieces = bound > kLongRow || holding;
  char* o = facts.reserve(in_pieces ? functor.size() + 2 : bound);
  std::memcpy(o, functor.data(), functor.size());
  o += functor.size();
  RowFit fit;
  for (std::size_t k = 0; k < columns_.size(); ++k) {
    if (k == 0 && as_list) *o++ = '(';
    *o++ = k > 0 ? ',' : as_list ? '[' : '(';
    const Field& field = *chosen_[k];
    const bool refitted = &field == &refitted_[k];
    FieldProblem problem = FieldProblem::none;
    if (in_pieces) {
      facts.commit(o);
      const std::string_view bytes = row.value(field);
      if (bytes.size() > FactWriter::kPiece && field.source == Field::Source::value &&
          columns_[k].type.kind == ColumnKind::text) {
        write_long_text(bytes, refitted ? utf8_ : encoding, facts, problem);
        o = facts.reserve(2);
      } else {
        o = facts.reserve(field_term_bound(bytes.size()) + 2);
        o = write_field_term(columns_[k].type, whole(field, bytes, k), refitted ? utf8_ : encoding, o, problem,
                             dialect);
      }
    } else {
      o = write_field_term(columns_[k].type, field, refitted ? utf8_ : encoding, o, problem, dialect);
    }
    const auto at = static_cast<std::uint32_t>(k + 1);
    if (too_long_[k] && problem == FieldProblem::none) {
      fit.note(at, FieldProblem::too_long, static_cast<std::uint32_t>(columns_[k].type.length));
    }
    fit.note(at, problem);
  }
  if (in_pieces) {
    facts.commit(o);
    o = facts.reserve(4);
  }
  if (as_list) *o++ = ']';
  if (!columns_.empty()) *o++ = ')';
  *o++ = '.';
  *o++ = '\n';
  facts.commit(o);
  return fit;
}

// A held string has its `bytes` empty, so its column's length was not
// checked with the others.
[[gnu::noinline]] void TableRows::refit_held(const RowFields& row, const TextEncoding& encoding) {
  for (std::size_t k = 0; k < columns_.size(); ++k) {
    const Field& field = *chosen_[k];
    if (field.held && may_refit(columns_[k].type, row.held_text.size(), field.blank_padded)) {
      chosen_[k] = &refit(field, row.held_text, columns_[k].type, encoding, k);
    }
  }
}

// The field as write_field_term() takes it: a held string of a type
// other than text, which is written whole anyway, is copied to refitted_[k]
// (free, as the field was not refitted).
const Field& TableRows::whole(const Field& field, std::string_view value, std::size_t k) {
  if (!field.held) return field;
  Field& copy = refitted_[k];
  copy = field;
  copy.bytes.assign(value);
  copy.held = false;
  return copy;
}

// A text as write_field_term() writes it, a piece at a time.
void TableRows::write_long_text(std::string_view text, const TextEncoding& encoding, FactWriter& facts,
                                FieldProblem& problem) {
  bool invalid = false;
  facts.append("'");
  while (!text.empty()) {
    const std::size_t size = encoding.piece_end(text, FactWriter::kPiece);
    char* o = facts.reserve(atom_text_bound(size));
    facts.commit(encoding.write_atom_text(text.substr(0, size), o, invalid));
    text.remove_prefix(size);
  }
  facts.append("'");
  if (invalid) problem = FieldProblem::invalid_text;
}

// The string as column k stores it, in UTF-8, as the server's encoding
// has it: cut by a cast, padded or trimmed by its column.
const Field& TableRows::refit(const Field& field, std::string_view value, const ColumnType& type,
                              const TextEncoding& encoding, std::size_t k) {
  Field& refitted = refitted_[k];
  refitted.source = field.source;
  refitted.numeric_literal = field.numeric_literal;
  refitted.bytes.clear();
  if (encoding.name() == "UTF8" || encoding.name() == "SQL_ASCII") {
    refitted.bytes = value;
  } else {
    encoding.append_utf8(value, refitted.bytes);
  }
  cast_characters(field.cast_length, field.blank_padded, refitted.bytes);
  too_long_[k] = !fit_characters(type, field.blank_padded, refitted.bytes);
  return refitted;
}

// What PostgreSQL puts in a column a row gives no value: its default, with
// a sequence's next value, or NULL.
const Field& TableRows::default_for(const FactColumn& column, std::size_t k, Catalog& catalog) {
  Field& field = defaults_[k];
  field.numeric_literal = false;
  field.bytes.clear();
  field.source = Field::Source::null;
  if (column.default_value == nullptr) return field;
  const ColumnDefault& value = *column.default_value;
  switch (value.kind) {
    case ColumnDefault::Kind::null: break;
    case ColumnDefault::Kind::constant:
      field.source = Field::Source::value;
      field.bytes = value.value;
      break;
    case ColumnDefault::Kind::expression:
      field.source = Field::Source::expression;
      field.bytes = value.value;
      break;
    case ColumnDefault::Kind::sequence:
      if (std::int64_t next = 0; catalog.next_value(value.value, next)) {
        char digits[24];
        char* end = std::to_chars(digits, digits + sizeof digits, next).ptr;
        field.source = Field::Source::value;
        field.bytes.assign(digits, end);
      }
      break;
  }
  return field;
}

}  // namespace pgdump2pl
