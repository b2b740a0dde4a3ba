#include "preferences/journal_texts.h"

#include "preferences/local_time.h"

namespace foo_brivanto {
namespace {

// Two digits, with a leading zero. Written by hand rather than with snprintf: the C library's
// formatted printing would be linked into the DLL for this alone, a fifth of its size.
std::string two_digits(int value) {
  return std::string(value < 10 ? "0" : "") + std::to_string(value);
}

// "7 Dec 2026 14:03": the day without a leading zero and the month's English abbreviation,
// whatever the system's language, like the rest of the page.
std::string local_date_and_time(std::int64_t unix_seconds) {
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  LocalTime local{};
  if (!to_local_time(unix_seconds, local) || local.month < 1 || local.month > 12) {
    return "";
  }
  return std::to_string(local.day) + " " + kMonths[local.month - 1] + " " +
         std::to_string(local.year) + " " + two_digits(local.hour) + ":" + two_digits(local.minute);
}

}  // namespace

std::string journal_status_text(const JournalStatus& status) {
  if (!status.loaded) {
    return "Unknown: the journal has not been read (see the console)";
  }
  if (status.waiting == 0) {
    return "Nothing waiting";
  }
  std::string text = scrobble_count(status.waiting) + " waiting";
  const std::string oldest =
      status.oldest_started_at > 0 ? local_date_and_time(status.oldest_started_at) : "";
  if (!oldest.empty()) {
    text += ", the oldest from " + oldest;
  }
  return text;
}

std::string discard_question(std::size_t waiting) {
  return "Discard " + std::to_string(waiting) +
         (waiting == 1 ? " waiting scrobble? It" : " waiting scrobbles? They") +
         " will not be sent, and this cannot be undone.";
}

}  // namespace foo_brivanto
