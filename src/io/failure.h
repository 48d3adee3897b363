#pragma once

#include <cstring>
#include <string>

namespace pgdump2pl {

// What went wrong, and where: an errno value, and a sentence for the user
// when the errno alone does not say it (a corrupt archive, a compression
// this build cannot undo). The first failure wins, since later ones only
// follow from it.
struct Failure {
  int error = 0;         // 0 while nothing has failed
  std::string reason{};  // empty when the errno says it all

  bool failed() const { return error != 0; }
  // Always false, so that a parse step can `return failure.set(...)`.
  bool set(int errno_value, std::string why = {}) {
    if (error == 0) {
      error = errno_value;
      reason = std::move(why);
    }
    return false;
  }
  bool set(const Failure& other) { return set(other.error, other.reason); }

  // What the user is told: the reason, or the errno's own words.
  std::string message() const { return reason.empty() ? std::strerror(error) : reason; }
};

}  // namespace pgdump2pl
