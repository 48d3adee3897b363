#pragma once

namespace pgdump2pl {

// Runs `pgdump2pl DUMP FACTS` and returns the exit status: 0 when the
// whole dump was converted, 1 for a wrong argument count, 255 when a file
// cannot be opened, read or written. Each failure prints its fixed
// message on standard output and `pgdump2pl: PATH: reason` on standard
// error.
int run_command_line(int argc, const char* const* argv);

}  // namespace pgdump2pl
