#include "cli/warning.h"

#include "io/bytes.h"

namespace pgdump2pl {
namespace {

void append_hex(std::string& out, unsigned char byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += "\\x";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 15];
}

void append_for_terminal(std::string& out, std::string_view name) {
  const auto* const bytes = reinterpret_cast<const unsigned char*>(name.data());
  for (std::size_t i = 0; i < name.size();) {
    const unsigned char byte = bytes[i];
    const std::size_t length = byte < 0x80 ? 1 : utf8_length(bytes + i, bytes + name.size());
    // U+0080 to U+009F are controls too.
    const bool c1_control = byte == 0xC2 && length == 2 && static_cast<unsigned char>(name[i + 1]) < 0xA0;
    const std::size_t size = length == 0 ? 1 : length;
    if (byte < 0x20 || byte == 0x7F || length == 0 || c1_control) {
      for (std::size_t k = 0; k < size; ++k) append_hex(out, static_cast<unsigned char>(name[i + k]));
    } else {
      out.append(name, i, size);
    }
    i += size;
  }
}

std::string_view problem_text(FieldProblem problem) {
  switch (problem) {
    case FieldProblem::null: return "is NULL";
    case FieldProblem::not_integer: return "is not an integer";
    case FieldProblem::not_float: return "is not a float";
    case FieldProblem::not_number: return "is not a number";
    case FieldProblem::not_boolean: return "is not a boolean";
    case FieldProblem::expression: return "is an expression";
    case FieldProblem::invalid_text: return "is not valid ";
    case FieldProblem::too_long: return "is longer than ";
    case FieldProblem::missing:
    case FieldProblem::field_count:
    case FieldProblem::dialect:
    case FieldProblem::none: break;
  }
  return "is missing";
}

}  // namespace

void append_place(std::string& out, std::string_view dump_path, std::uint64_t line, std::string_view place) {
  out += "pgdump2pl: ";
  out.append(dump_path);
  if (!place.empty()) {
    out += ": ";
    append_for_terminal(out, place);
  } else if (line > 0) {
    out += ':' + std::to_string(line);
  }
  out += ": warning: ";
}

std::string misfit_warning(std::string_view dump_path, const BlockMisfits& block, std::string_view place) {
  std::string out;
  append_place(out, dump_path, block.first_line, place);
  out += "table ";
  append_for_terminal(out, block.table_name);
  out += ": " + std::to_string(block.misfit_rows) + " of " + std::to_string(block.rows) +
         (block.all_tables ? " rows do not fit its columns (first: " : " rows do not fit its layout (first: ");
  if (block.first.problem == FieldProblem::field_count) {
    out += std::to_string(block.first.field) + " fields for its " + std::to_string(block.columns) + " columns";
  } else {
    out += "field " + std::to_string(block.first.field) + ' ';
    out.append(problem_text(block.first.problem));
    if (block.first.problem == FieldProblem::invalid_text) out.append(block.encoding);
    if (block.first.problem == FieldProblem::too_long) out += std::to_string(block.first.length) + " characters";
  }
  out += ")\n";
  return out;
}

std::string script_warning(std::string_view dump_path, std::uint64_t line, std::string_view text,
                           std::string_view place) {
  std::string out;
  append_place(out, dump_path, line, place);
  append_for_terminal(out, text);
  out += '\n';
  return out;
}

std::string failure_line(std::string_view path, std::string_view reason) {
  std::string out = "pgdump2pl: ";
  out.append(path);
  out += ": ";
  append_for_terminal(out, reason);
  out += '\n';
  return out;
}

}  // namespace pgdump2pl
