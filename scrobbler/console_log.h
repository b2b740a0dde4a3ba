// The scrobbling engine's console lines: "foo_brivanto: " followed by the message, one host
// console print per message.
#pragma once

#include <string>
#include <string_view>

namespace foo_brivanto {

inline constexpr std::string_view kLogPrefix = "foo_brivanto: ";

// Prints the prefix and `text` at once. Main thread only.
void log_line(std::string_view text);

// Queues the line for the main thread and returns at once; callable from any thread. The
// queued task owns its text, so the caller's string may go away right after the call. The line
// is printed when the host runs its main-thread tasks, never within the caller's own event,
// and so after every log_line of that event.
void log_line_later(std::string text);

}  // namespace foo_brivanto
