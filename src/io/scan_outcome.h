#pragma once

namespace pgdump2pl {

enum class ScanStatus { complete, read_failed, write_failed };

struct ScanOutcome {
  ScanStatus status;
  int error;  // errno of the failure, 0 when complete
};

}  // namespace pgdump2pl
