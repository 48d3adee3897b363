#pragma once

#include <string>

namespace pgdump2pl {

// Why reading an archive stopped: an errno value and a sentence for the
// user. The first failure wins, since later ones only follow from it.
struct ArchiveFailure {
  int error = 0;
  std::string reason;

  bool failed() const { return error != 0; }
  // Always false, so that a parse step can `return failure.set(...)`.
  bool set(int errno_value, std::string why) {
    if (error == 0) {
      error = errno_value;
      reason = std::move(why);
    }
    return false;
  }
};

}  // namespace pgdump2pl
