// Whole seconds from the host's double-valued times, for console lines and requests.
//
// A plain cast of a double to a 32-bit integer is undefined for NaN, infinities and values
// out of range, and a host can report any of them for a broken file. These conversions clamp
// to the 32-bit range and treat NaN as 0.
#pragma once

#include <cstdint>

namespace foo_brivanto {

// Cut toward zero: 185.6 → 185, -2.7 → -2.
std::int32_t truncate_seconds(double seconds);

// Nearest whole number, halves away from zero: 185.5 → 186, 185.4 → 185, -2.5 → -3.
std::int32_t round_seconds(double seconds);

}  // namespace foo_brivanto
