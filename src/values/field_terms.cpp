#include "values/field_terms.h"

#include <cstring>

#include "values/value_terms.h"

namespace pgdump2pl {
namespace {

constexpr std::string_view kNull = "'$null$'";

char* write_atom(std::string_view text, const TextEncoding& encoding, char* out, bool& invalid) {
  *out++ = '\'';
  out = encoding.write_atom_text(text, out, invalid);
  *out++ = '\'';
  return out;
}

}  // namespace

FieldProblem problem_of_kind(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::integer: return FieldProblem::not_integer;
    case ColumnKind::floating: return FieldProblem::not_float;
    case ColumnKind::number: return FieldProblem::not_number;
    case ColumnKind::boolean: return FieldProblem::not_boolean;
    case ColumnKind::text: break;
  }
  return FieldProblem::none;
}

char* write_field_term(const ColumnType& type, const Field& field, const TextEncoding& encoding, char* out,
                       FieldProblem& problem, PrologDialect dialect) {
  problem = FieldProblem::none;
  if (field.source == Field::Source::null || field.source == Field::Source::default_value) {
    std::memcpy(out, kNull.data(), kNull.size());
    return out + kNull.size();
  }
  if (field.source == Field::Source::expression) {
    problem = FieldProblem::expression;
  } else if (type.kind != ColumnKind::text) {
    char* end = write_printed_value(type, field.bytes, out);
    if (end == nullptr) {
      end = write_value_term(type, field.bytes, out, field.numeric_literal);
      bool quoted = false;
      if (end != nullptr) end = fit_to_dialect(dialect, out, end, quoted);
      if (quoted) problem = FieldProblem::dialect;
    }
    if (end != nullptr) return end;
    problem = problem_of_kind(type.kind);
  }
  bool invalid = false;
  out = write_atom(field.bytes, encoding, out, invalid);
  if (problem == FieldProblem::none && invalid) problem = FieldProblem::invalid_text;
  return out;
}

std::string quoted_utf8_atom(std::string_view text) {
  static const TextEncoding utf8;
  std::string atom(atom_text_bound(text.size()) + 2, '\0');
  bool invalid = false;
  atom.resize(static_cast<std::size_t>(write_atom(text, utf8, atom.data(), invalid) - atom.data()));
  return atom;
}

}  // namespace pgdump2pl
