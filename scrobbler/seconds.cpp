// Whole seconds from the host's double-valued times, safe for any double.
#include "scrobbler/seconds.h"

#include <cmath>
#include <limits>

namespace foo_brivanto {
namespace {

// `whole` is already integral (or NaN, or infinite).
std::int32_t clamp_to_int32(double whole) {
  constexpr double kMin = std::numeric_limits<std::int32_t>::min();
  constexpr double kMax = std::numeric_limits<std::int32_t>::max();
  if (std::isnan(whole)) {
    return 0;
  }
  if (whole <= kMin) {
    return std::numeric_limits<std::int32_t>::min();
  }
  if (whole >= kMax) {
    return std::numeric_limits<std::int32_t>::max();
  }
  return static_cast<std::int32_t>(whole);
}

}  // namespace

std::int32_t truncate_seconds(double seconds) {
  return clamp_to_int32(std::trunc(seconds));
}

std::int32_t round_seconds(double seconds) {
  return clamp_to_int32(std::round(seconds));
}

}  // namespace foo_brivanto
