#include "cli/table_patterns.h"

#include <array>
#include <optional>
#include <utility>

#include "io/bytes.h"
#include "sql/identifier.h"

namespace pgdump2pl {
namespace {

// The end of the character that starts at `at`: `?` is one character of
// the name, as PostgreSQL's `.` is, not one byte.
std::size_t next_character(std::string_view name, std::size_t at) {
  ++at;
  while (at < name.size() && is_utf8_continuation(static_cast<unsigned char>(name[at]))) ++at;
  return at;
}

bool is_regular_expression_operator(char c) {
  for (const char op : std::string_view("|+()[]{}^\\")) {
    if (c == op) return true;
  }
  return false;
}

}  // namespace

PatternReading TablePattern::read(std::string_view pattern) {
  // pg_dump splits at most database.schema.table; the parts fill from the
  // left, and the last one read is always the table.
  std::array<Part, 3> parts;
  std::size_t part = 0;
  NameQuotes quotes;
  for (std::size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    Part& steps = parts[part];
    // Wildcards and dots count outside quotes only. The name's bytes are
    // not cut to 63: pg_dump matches a longer pattern as written.
    const bool unquoted = !quotes.open();
    if (unquoted && c == '*') {
      steps.push_back({Step::Kind::any_run, c});
      ++i;
    } else if (unquoted && c == '?') {
      steps.push_back({Step::Kind::any_one, c});
      ++i;
    } else if (unquoted && c == '.') {
      if (part == parts.size() - 1) return {i, PatternStatus::too_many_dots};
      ++part;
      ++i;
    } else if (unquoted && c == '[' && i + 1 < pattern.size() && pattern[i + 1] == ']') {
      // pg_dump takes `[]` literally, as an array type's name more likely
      // than an empty bracket expression.
      steps.push_back({Step::Kind::byte, '['});
      steps.push_back({Step::Kind::byte, ']'});
      i += 2;
    } else if (unquoted && is_regular_expression_operator(c)) {
      return {i, PatternStatus::regular_expression};
    } else if (const std::optional<char> byte = quotes.read_stored(pattern, i)) {
      steps.push_back({Step::Kind::byte, *byte});
    }
  }
  table_ = std::move(parts[part]);
  has_schema_ = part > 0;
  if (has_schema_) schema_ = std::move(parts[part - 1]);
  return {pattern.size(), PatternStatus::ok};
}

bool TablePattern::matches(std::string_view schema, std::string_view table) const {
  return part_matches(table_, table) && (!has_schema_ || part_matches(schema_, schema));
}

// The whole name must match. A `*` that a later step fails after takes
// one more character and the steps after it are tried again; the last
// `*` is enough to go back to, since anything an earlier one could take
// the later one can.
bool TablePattern::part_matches(const Part& part, std::string_view name) {
  std::size_t step = 0, at = 0;
  std::size_t run_step = part.size(), run_end = 0;
  while (at < name.size()) {
    if (step < part.size()) {
      const Step& s = part[step];
      if (s.kind == Step::Kind::any_run) {
        run_step = step++;
        run_end = at;
        continue;
      }
      if (s.kind == Step::Kind::any_one || s.byte == name[at]) {
        at = s.kind == Step::Kind::any_one ? next_character(name, at) : at + 1;
        ++step;
        continue;
      }
    }
    if (run_step == part.size()) return false;
    step = run_step + 1;
    run_end = next_character(name, run_end);
    at = run_end;
  }
  while (step < part.size() && part[step].kind == Step::Kind::any_run) ++step;
  return step == part.size();
}

PatternReading TableFilter::include(std::string_view pattern) { return add(included_, pattern); }

PatternReading TableFilter::exclude(std::string_view pattern) { return add(excluded_, pattern); }

PatternReading TableFilter::add(std::vector<TablePattern>& patterns, std::string_view pattern) {
  TablePattern read;
  const PatternReading reading = read.read(pattern);
  if (reading.status == PatternStatus::ok) patterns.push_back(std::move(read));
  return reading;
}

bool TableFilter::selects(std::string_view schema, std::string_view table) const {
  if (!included_.empty() && !any_matches(included_, schema, table)) return false;
  return !any_matches(excluded_, schema, table);
}

bool TableFilter::any_matches(const std::vector<TablePattern>& patterns, std::string_view schema,
                              std::string_view table) {
  for (const TablePattern& pattern : patterns) {
    if (pattern.matches(schema, table)) return true;
  }
  return false;
}

}  // namespace pgdump2pl
