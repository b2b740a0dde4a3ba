// Reading what the component printed, once its background requests have reported.
#include "tests/support/console_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string_view>
#include <thread>

namespace brivanto_test {
namespace {

struct Split {
  std::vector<std::string> events;
  std::vector<std::string> outcomes;
  std::size_t announced = 0;
};

Split split(const std::vector<std::string>& lines) {
  Split out;
  for (const std::string& line : lines) {
    const std::string text = line.starts_with("foo_brivanto: ") ? line.substr(14) : line;
    const bool outcome = text.starts_with("Now playing OK: ") ||
                         text.starts_with("Scrobble OK: ") ||
                         text.find(" FAILED: ") != std::string::npos;
    (outcome ? out.outcomes : out.events).push_back(text);
    out.announced += text.starts_with("Sending ") ? 1U : 0U;
  }
  std::sort(out.outcomes.begin(), out.outcomes.end());
  return out;
}

}  // namespace

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += (text.empty() ? "" : "|") + line;
  }
  return text;
}

ConsoleLines settle_console(fbplayer::Host& host) {
  const auto settled = [&host] {
    const Split lines = split(host.console().lines());
    return lines.outcomes.size() >= lines.announced;
  };
  const bool done = host.main_thread().run_until(
      settled, std::chrono::steady_clock::now() + std::chrono::seconds(30));
  const Split lines = split(host.console().lines());
  for (const auto& entry : host.console().entries()) {
    EXPECT_EQ(entry.thread, std::this_thread::get_id()) << "printed off the main thread";
  }
  EXPECT_TRUE(done) << "requests without an outcome after 30 s";
  return {joined(lines.events), joined(lines.outcomes)};
}

}  // namespace brivanto_test
