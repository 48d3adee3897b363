#pragma once

namespace pgdump2pl {

// The C locale's whitespace: tab, line end, vertical tab, form feed,
// carriage return and blank. Bytes from 128 up never are.
constexpr bool is_space(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace pgdump2pl
