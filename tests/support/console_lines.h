// Reading what the component printed, in tests whose background requests finish in any order.
#pragma once

#include <string>
#include <vector>

#include "player/host/host.h"

namespace brivanto_test {

// `lines` joined by "|".
std::string joined(const std::vector<std::string>& lines);

// What the component printed, without its prefix, joined by "|": the lines of events and
// announcements in order, and the outcomes of background requests sorted (they come in any order).
struct ConsoleLines {
  std::string events;
  std::string outcomes;
};

// Runs main-thread tasks until every announced request ("Sending ...") has its outcome line,
// then splits the console. Fails the calling test when outcomes are missing after 30 s, or when
// a line was printed on another thread than the caller's, the main thread.
ConsoleLines settle_console(fbplayer::Host& host);

}  // namespace brivanto_test
