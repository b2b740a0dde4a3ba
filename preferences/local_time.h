// Moments in the user's local time zone, for what the page shows: the C library's own
// conversion, which follows the system's time zone (and $TZ where one is set).
#pragma once

#include <cstdint>

namespace foo_brivanto {

struct LocalTime {
  int year;
  int month;  // 1 to 12
  int day;    // 1 to 31
  int hour;
  int minute;
};

// The local time at `unix_seconds`. False when the system cannot convert it.
bool to_local_time(std::int64_t unix_seconds, LocalTime& out);

}  // namespace foo_brivanto
