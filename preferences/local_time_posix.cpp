#include <ctime>

#include "preferences/local_time.h"

namespace foo_brivanto {

bool to_local_time(std::int64_t unix_seconds, LocalTime& out) {
  const auto moment = static_cast<std::time_t>(unix_seconds);
  std::tm fields{};
  if (moment != unix_seconds || localtime_r(&moment, &fields) == nullptr) {
    return false;
  }
  out = {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday, fields.tm_hour, fields.tm_min};
  return true;
}

}  // namespace foo_brivanto
