#include "scrobbler/console_log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "sdk/core_api.h"
#include "tests/support/attached_host.h"

namespace foo_brivanto {
namespace {

using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

class ConsoleLogTest : public ::testing::Test {
 protected:
  brivanto_test::AttachedHost host_;
};

TEST_F(ConsoleLogTest, PrintsPrefixAndTextAsOneLine) {
  log_line("Now playing: A - T [100s, scrobble after 50s]");
  log_line("");
  log_line("Scrobble FAILED: {\"error\":9,\n\"message\":\"Invalid session key\"}\r\n");
  EXPECT_EQ(host_->console().lines(),
            (Lines{"foo_brivanto: Now playing: A - T [100s, scrobble after 50s]", "foo_brivanto: ",
                   "foo_brivanto: Scrobble FAILED: {\"error\":9,\n\"message\":\"Invalid session "
                   "key\"}\r\n"}));
}

TEST_F(ConsoleLogTest, QueuedLinesComeAfterTheDirectLinesOfTheSameEvent) {
  // One playback event: direct lines, and lines queued for the main thread.
  log_line("Now playing: B - New");
  log_line_later("Sending scrobble: A - Old");
  log_line("WARNING: not authorized");
  log_line_later("Sending now playing: B - New");
  EXPECT_EQ(host_->console().lines(),
            (Lines{"foo_brivanto: Now playing: B - New", "foo_brivanto: WARNING: not authorized"}));

  EXPECT_EQ(host_->main_thread().run_pending(), 2U);
  EXPECT_EQ(host_->console().lines(),
            (Lines{"foo_brivanto: Now playing: B - New", "foo_brivanto: WARNING: not authorized",
                   "foo_brivanto: Sending scrobble: A - Old",
                   "foo_brivanto: Sending now playing: B - New"}));
}

TEST_F(ConsoleLogTest, QueuedLineOwnsItsText) {
  {
    std::string text(200, 'x');  // beyond any small-string buffer
    log_line_later(text);
    text.assign(200, 'y');
  }
  host_->main_thread().run_pending();
  EXPECT_EQ(host_->console().lines(), Lines{"foo_brivanto: " + std::string(200, 'x')});
}

TEST_F(ConsoleLogTest, LinesFromBackgroundThreadsArePrintedOnTheMainThread) {
  constexpr int kThreads = 4;
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([i] { log_line_later("Scrobble OK: " + std::to_string(i)); });
  }
  for (std::thread& t : threads) {
    t.join();
  }
  EXPECT_TRUE(host_->console().lines().empty());

  host_->main_thread().run_pending();
  const auto entries = host_->console().entries();
  ASSERT_EQ(entries.size(), static_cast<std::size_t>(kThreads));
  std::vector<bool> seen(kThreads);
  for (const auto& entry : entries) {
    EXPECT_EQ(entry.thread, std::this_thread::get_id()) << entry.text;
    const std::string prefix = "foo_brivanto: Scrobble OK: ";
    ASSERT_EQ(entry.text.substr(0, prefix.size()), prefix);
    seen.at(std::stoul(entry.text.substr(prefix.size()))) = true;
  }
  EXPECT_EQ(seen, std::vector<bool>(kThreads, true));
}

TEST_F(ConsoleLogTest, NothingIsPrintedBeforeTheHostOffersItsServices) {
  core_api::set_services_available(false);
  log_line("too early");
  log_line_later("queued too early");
  host_->main_thread().run_pending();
  core_api::set_services_available(true);
  log_line("in time");
  EXPECT_EQ(host_->console().lines(), Lines{"foo_brivanto: in time"});
}

}  // namespace
}  // namespace foo_brivanto
