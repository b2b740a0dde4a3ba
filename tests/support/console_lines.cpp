// Reading what the component printed, once its background requests have reported.
#include "tests/support/console_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string_view>
#include <thread>

namespace brivanto_test {
namespace {

constexpr std::string_view kPrefix = "foo_brivanto: ";

bool is_outcome(std::string_view line) {
  constexpr std::string_view kOutcomes[] = {
      "Now playing OK: ", "Now playing FAILED: ", "Scrobble OK: ", "Scrobble FAILED: "};
  return std::ranges::any_of(
      kOutcomes, [line](std::string_view start) { return line.substr(0, start.size()) == start; });
}

ConsoleLines split(const std::vector<std::string>& lines) {
  ConsoleLines out;
  for (const std::string& line : lines) {
    const std::string text =
        line.substr(0, kPrefix.size()) == kPrefix ? line.substr(kPrefix.size()) : line;
    (is_outcome(text) ? out.outcomes : out.events).push_back(text);
  }
  std::sort(out.outcomes.begin(), out.outcomes.end());
  return out;
}

std::size_t announced(const ConsoleLines& lines) {
  return static_cast<std::size_t>(
      std::count_if(lines.events.begin(), lines.events.end(),
                    [](const std::string& line) { return line.rfind("Sending ", 0) == 0; }));
}

}  // namespace

ConsoleLines settle_console(fbplayer::Host& host) {
  const auto settled = [&host] {
    const ConsoleLines lines = split(host.console().lines());
    return lines.outcomes.size() >= announced(lines);
  };
  const bool done = host.main_thread().run_until(
      settled, std::chrono::steady_clock::now() + std::chrono::seconds(30));
  ConsoleLines lines = split(host.console().lines());
  for (const auto& entry : host.console().entries()) {
    EXPECT_EQ(entry.thread, std::this_thread::get_id())
        << "printed off the main thread: " << entry.text;
  }
  EXPECT_TRUE(done) << announced(lines) << " requests announced, " << lines.outcomes.size()
                    << " outcomes after 30 s";
  return lines;
}

}  // namespace brivanto_test
