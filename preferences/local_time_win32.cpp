#include <ctime>

#include "preferences/local_time.h"

namespace foo_brivanto {

bool to_local_time(std::int64_t unix_seconds, LocalTime& out) {
  // 64-bit times on both builds: a 32-bit time_t would end in 2038.
  const __time64_t moment = unix_seconds;
  tm fields{};
  if (_localtime64_s(&fields, &moment) != 0) {
    return false;
  }
  out = {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday, fields.tm_hour, fields.tm_min};
  return true;
}

}  // namespace foo_brivanto
