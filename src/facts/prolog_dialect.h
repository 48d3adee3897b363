#pragma once

#include <cstddef>
#include <cstdint>

namespace pgdump2pl {

// The Prolog system the facts are written for.
enum class PrologDialect : std::uint8_t {
  swi,  // SWI-Prolog: unbounded integers, 1.5NaN and 1.0Inf
  gnu,  // GNU Prolog 1.4: 61-bit integers, finite floats only
};

// The most arguments a predicate may have; a table with more columns
// than that holds them in one list.
constexpr std::size_t max_arity(PrologDialect dialect) { return dialect == PrologDialect::gnu ? 255 : 1024; }

// The name of the system, for warnings.
constexpr const char* dialect_name(PrologDialect dialect) {
  return dialect == PrologDialect::gnu ? "GNU Prolog" : "SWI-Prolog";
}

}  // namespace pgdump2pl
