#pragma once

namespace pgdump2pl {

// How a scan of the dump ended; the failure itself is kept by the side
// that failed: the dump's source or the fact writer.
enum class ScanStatus { complete, read_failed, write_failed };

}  // namespace pgdump2pl
