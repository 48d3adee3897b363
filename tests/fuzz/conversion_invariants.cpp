#include "fuzz/conversion_invariants.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "facts/conversion_rules.h"
#include "support/in_memory.h"
#include "support/reference_conversion.h"

namespace pgdump2pl::fuzzing {
namespace {

constexpr std::string_view kBannerOpen = "/**";
constexpr std::string_view kBannerName = " * Table ";
constexpr std::string_view kBannerClose = " */";
constexpr std::string_view kCountHead = "/* (";
constexpr std::string_view kCountTail = " entrees) */";
constexpr std::string_view kEscapable = "\\'bfnrtv";

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
bool is_word_char(char c) { return is_lower(c) || (c >= 'A' && c <= 'Z') || is_digit(c) || c == '_'; }

// Reads one Prolog argument or functor token from the front of `rest`.
class ClauseReader {
 public:
  explicit ClauseReader(std::string_view line) : rest_(line) {}

  bool take(char c) {
    if (rest_.empty() || rest_.front() != c) return false;
    rest_.remove_prefix(1);
    return true;
  }
  bool at(char c) const { return !rest_.empty() && rest_.front() == c; }
  std::string_view rest() const { return rest_; }

  // 'text' where a backslash always starts one of the escapes Prolog
  // knows and a quote inside is always escaped.
  bool quoted_atom() {
    if (!take('\'')) return false;
    while (!rest_.empty()) {
      const char c = rest_.front();
      rest_.remove_prefix(1);
      if (c == '\'') return true;
      if (c == '\\') {
        if (rest_.empty() || kEscapable.find(rest_.front()) == std::string_view::npos) return false;
        rest_.remove_prefix(1);
      }
    }
    return false;
  }

  bool plain_atom() {
    if (rest_.empty() || !is_lower(rest_.front())) return false;
    while (!rest_.empty() && is_word_char(rest_.front())) rest_.remove_prefix(1);
    return true;
  }

  // A decimal integer in the signed 64-bit range, written the shortest
  // way: no plus sign, no leading zero, no -0.
  bool integer() {
    const bool negative = take('-');
    std::size_t n = 0;
    while (n < rest_.size() && is_digit(rest_[n])) ++n;
    const std::string_view digits = rest_.substr(0, n);
    rest_.remove_prefix(n);
    if (digits.empty() || (digits[0] == '0' && (n > 1 || negative))) return false;
    const std::string_view bound = negative ? "9223372036854775808" : "9223372036854775807";
    return n < bound.size() || (n == bound.size() && digits <= bound);
  }

 private:
  std::string_view rest_;
};

// What is wrong with one fact of table `name`, whose layout is `rule`.
std::string fact_problem(std::string_view line, std::string_view name, const ConversionRule& rule) {
  ClauseReader clause(line);
  const bool quoted = clause.at('\'');
  const std::string_view before = clause.rest();
  if (!(quoted ? clause.quoted_atom() : clause.plain_atom())) return "malformed functor";
  const std::string_view functor = before.substr(0, before.size() - clause.rest().size());
  ClauseReader plain(name);
  if (plain.plain_atom() && plain.rest().empty() ? functor != name : !quoted) {
    return "functor does not match the table name";
  }
  if (!clause.take('(')) return "no opening parenthesis";
  std::string kinds;  // 't' for a text, 'i' for an integer
  do {
    const bool text = clause.at('\'');
    if (!(text ? clause.quoted_atom() : clause.integer())) return "malformed argument";
    kinds += text ? 't' : 'i';
  } while (clause.take(','));
  if (!clause.take(')') || !clause.take('.') || !clause.rest().empty()) return "clause does not end with ).";
  std::string expected;
  for (const Slot slot : rule.fields()) expected += is_text(slot) ? 't' : 'i';
  if (kinds != expected) return "arguments are " + kinds + ", the layout gives " + expected;
  return {};
}

// The non-negative decimal in "/* (N entrees) */", or -1.
std::int64_t count_of(std::string_view line) {
  if (!line.starts_with(kCountHead) || !line.ends_with(kCountTail)) return -1;
  line = line.substr(kCountHead.size(), line.size() - kCountHead.size() - kCountTail.size());
  if (line.empty() || line.size() > 18 || (line[0] == '0' && line.size() > 1)) return -1;
  std::int64_t n = 0;
  for (const char c : line) {
    if (!is_digit(c)) return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

std::string at_line(std::size_t index, std::string_view problem) {
  return "line " + std::to_string(index + 1) + ": " + std::string(problem);
}

}  // namespace

std::string fact_file_problem(std::string_view facts) {
  if (!facts.empty() && facts.back() != '\n') return "the fact file does not end with a line end";
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < facts.size();) {
    const std::size_t end = facts.find('\n', start);
    lines.push_back(facts.substr(start, end - start));
    start = end + 1;
  }
  std::size_t i = 0;
  auto line = [&](std::size_t k) { return k < lines.size() ? lines[k] : std::string_view("<end>"); };
  while (i < lines.size()) {
    if (line(i) != kBannerOpen || !line(i + 1).starts_with(kBannerName) || line(i + 2) != kBannerClose ||
        !line(i + 3).empty()) {
      return at_line(i, "expected a four-line banner");
    }
    const std::string_view name = line(i + 1).substr(kBannerName.size());
    const ConversionRule* rule = rule_for(name);
    i += 4;
    std::int64_t written = 0;
    for (; i < lines.size() && !lines[i].starts_with("/*"); ++i, ++written) {
      if (rule == nullptr) return at_line(i, "a fact in a block no layout covers");
      if (const std::string problem = fact_problem(lines[i], name, *rule); !problem.empty()) {
        return at_line(i, problem);
      }
    }
    // A block opened by COPY and closed at once has no count.
    if (i == lines.size() || lines[i] == kBannerOpen) {
      if (written > 0) return at_line(i, "facts without a count");
      continue;
    }
    const std::int64_t counted = count_of(lines[i]);
    if (counted < 0 || !line(i + 1).empty() || !line(i + 2).empty()) {
      return at_line(i, "expected a count and two empty lines");
    }
    if (rule != nullptr && counted != written) {
      return at_line(i, "counts " + std::to_string(counted) + " rows for " + std::to_string(written) + " facts");
    }
    i += 3;
  }
  return {};
}

std::string conversion_problem(std::string_view dump) {
  using testing::convert_in_memory;
  // Not the 1 MiB defaults: they read as these do for any input the
  // fuzzer makes, and would cut its executions per second forty times.
  const testing::Converted reference = convert_in_memory(dump, 4096, 4096);
  if (reference.status != ScanStatus::complete) return "the conversion did not complete";
  if (std::string problem = fact_file_problem(reference.facts); !problem.empty()) return problem;

  const std::string plain = testing::ReferenceConversion::convert(dump);
  if (plain != reference.facts) {
    const auto [differs, unused] =
        std::mismatch(plain.begin(), plain.end(), reference.facts.begin(), reference.facts.end());
    return "the facts differ from the plain reference conversion from byte " +
           std::to_string(differs - plain.begin());
  }

  const std::size_t seed = dump.empty() ? 0 : static_cast<unsigned char>(dump[0]);
  const std::pair<std::size_t, std::size_t> sizes[] = {{1 + seed % 8, 1 + seed / 32},
                                                       {8 + 31 * (seed / 8), 16 + 7 * seed}};
  for (const auto& [block, out] : sizes) {
    const testing::Converted other = convert_in_memory(dump, block, out);
    if (other.status != ScanStatus::complete || other.facts != reference.facts) {
      const auto [differs, unused] = std::mismatch(other.facts.begin(), other.facts.end(),
                                                   reference.facts.begin(), reference.facts.end());
      return "read blocks of " + std::to_string(block) + " and writes of " + std::to_string(out) +
             " bytes change the facts from byte " + std::to_string(differs - other.facts.begin());
    }
  }
  return {};
}

}  // namespace pgdump2pl::fuzzing
