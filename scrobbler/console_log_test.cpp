// Console lines: printed at once with the prefix, or queued to the main thread from anywhere.
#include "scrobbler/console_log.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "sdk/core_api.h"
#include "tests/support/attached_host.h"

namespace foo_brivanto {
namespace {

using Lines = std::vector<std::string>;

TEST(ConsoleLogTest, DirectLinesFirstQueuedLinesLaterOnTheMainThread) {
  brivanto_test::AttachedHost host;
  log_line("Now playing: B - New");
  std::string text(200, 'x');  // beyond any small-string buffer; the queued task owns a copy
  std::thread([&text] { log_line_later(text); }).join();
  text.assign(200, 'y');
  log_line("FAILED: {\"error\":9,\n\"message\":\"m\"}\r\n");
  EXPECT_EQ(host->console().lines(),
            (Lines{"foo_brivanto: Now playing: B - New",
                   "foo_brivanto: FAILED: {\"error\":9,\n\"message\":\"m\"}\r\n"}));

  EXPECT_EQ(host->main_thread().run_pending(), 1U);
  EXPECT_EQ(host->console().lines().back(), "foo_brivanto: " + std::string(200, 'x'));
  EXPECT_EQ(host->console().entries().back().thread, std::this_thread::get_id());

  core_api::set_services_available(false);
  log_line("too early");
  log_line_later("queued too early");
  host->main_thread().run_pending();
  core_api::set_services_available(true);
  EXPECT_EQ(host->console().lines().size(), 3U);
}

}  // namespace
}  // namespace foo_brivanto
