#pragma once

#include <string>
#include <string_view>

namespace pgdump2pl::fuzzing {

// What is wrong with a fact file, or the empty string. Every line must be
// part of a banner, a fact or a count; every fact a well-formed Prolog
// clause of the shape its table's layout gives; and a block whose table a
// layout covers must count exactly the facts it holds.
std::string fact_file_problem(std::string_view facts);

// Converts `dump` in memory with 4 KiB buffers and with two pairs of read
// and write buffer sizes taken from its first byte. Returns what
// is wrong: a conversion that did not complete, outputs that differ, or
// a fact file problem. Empty when all is well.
std::string conversion_problem(std::string_view dump);

}  // namespace pgdump2pl::fuzzing
