#include "facts/field_terms.h"

#include <cstring>

#include "values/value_terms.h"

namespace pgdump2pl {
namespace {

constexpr std::string_view kNull = "'$null$'";

FieldProblem not_of_kind(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::integer: return FieldProblem::not_integer;
    case ColumnKind::floating: return FieldProblem::not_float;
    case ColumnKind::number: return FieldProblem::not_number;
    case ColumnKind::boolean: return FieldProblem::not_boolean;
    case ColumnKind::text: break;
  }
  return FieldProblem::none;
}

char* write_atom(std::string_view text, const TextEncoding& encoding, char* out, bool& invalid) {
  *out++ = '\'';
  out = encoding.write_atom_text(text, out, invalid);
  *out++ = '\'';
  return out;
}

}  // namespace

FieldProblem write_field_term(const ColumnType& type, const Field& field, const TextEncoding& encoding,
                              FactWriter& out) {
  if (field.source == Field::Source::null || field.source == Field::Source::default_value) {
    out.append(kNull);
    return FieldProblem::none;
  }
  const std::size_t size = field.bytes.size();
  char* const start = out.reserve(std::max(value_term_bound(size), atom_text_bound(size) + 2));
  FieldProblem problem = FieldProblem::none;
  if (field.source == Field::Source::expression) {
    problem = FieldProblem::expression;
  } else if (type.kind != ColumnKind::text) {
    char* end = write_printed_value(type, field.bytes, start);
    if (end == nullptr) end = write_value_term(type, field.bytes, start, field.numeric_literal);
    if (end != nullptr) {
      out.commit(end);
      return FieldProblem::none;
    }
    problem = not_of_kind(type.kind);
  }
  bool invalid = false;
  out.commit(write_atom(field.bytes, encoding, start, invalid));
  return problem == FieldProblem::none && invalid ? FieldProblem::invalid_text : problem;
}

std::string quoted_atom(std::string_view text, const TextEncoding& encoding) {
  std::string atom(atom_text_bound(text.size()) + 2, '\0');
  bool invalid = false;
  atom.resize(static_cast<std::size_t>(write_atom(text, encoding, atom.data(), invalid) - atom.data()));
  return atom;
}

}  // namespace pgdump2pl
