// Console lines of the scrobbling engine: printed at once, or queued to the main thread.
#include "scrobbler/console_log.h"

#include <utility>

#include "sdk/console.h"
#include "sdk/main_thread.h"

namespace foo_brivanto {

void log_line(std::string_view text) {
  std::string line;
  line.reserve(kLogPrefix.size() + text.size());
  line.append(kLogPrefix).append(text);
  console::print(line);
}

void log_line_later(std::string text) {
  run_in_main_thread([text = std::move(text)] { log_line(text); });
}

}  // namespace foo_brivanto
