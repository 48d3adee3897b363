#include "values/dialect_terms.h"

#include <cstring>
#include <string_view>
#include <utility>

namespace pgdump2pl {
namespace {

// GNU Prolog 1.4's integers on a 64-bit machine: its max_integer and
// min_integer flags.
constexpr std::string_view kGnuMaxInteger = "1152921504606846975";
constexpr std::string_view kGnuMinMagnitude = "1152921504606846976";

char* put(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

// Whether the digits (no sign, no leading zero) exceed `limit`'s.
bool beyond(std::string_view digits, std::string_view limit) {
  return digits.size() > limit.size() || (digits.size() == limit.size() && digits > limit);
}

}  // namespace

char* fit_to_dialect(PrologDialect dialect, char* term, char* end, bool& quoted) {
  quoted = false;
  if (dialect != PrologDialect::gnu) return end;
  const std::string_view text(term, static_cast<std::size_t>(end - term));
  for (const auto& [written, atom] : {std::pair<std::string_view, std::string_view>{"1.5NaN", "'NaN'"},
                                      {"1.0Inf", "'Infinity'"},
                                      {"-1.0Inf", "'-Infinity'"}}) {
    if (text == written) {
      quoted = true;
      return put(term, atom);
    }
  }
  const bool negative = text.starts_with('-');
  const std::string_view digits = text.substr(negative ? 1 : 0);
  // Only integers are all digits; a float has its point.
  if (digits.find_first_not_of("0123456789") != std::string_view::npos) return end;
  if (!beyond(digits, negative ? kGnuMinMagnitude : kGnuMaxInteger)) return end;
  std::memmove(term + 1, term, text.size());
  term[0] = '\'';
  quoted = true;
  return put(term + 1 + text.size(), "'");
}

}  // namespace pgdump2pl
