// The stand-in player's page window with the preferences dialog in it, as the player's commands
// see and operate it. Runs under Wine with an X display.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "player/page_window.h"
#include "preferences/window.h"
#include "tests/support/attached_host.h"
#include "tests/support/recording_dialog.h"

namespace {

namespace fb = foo_brivanto;

TEST(PageWindowTest, ShowsReadsAndClicksThePageAndWakesForItsMessages) {
  brivanto_test::AttachedHost host;
  brivanto_test::RecordingDialog handler;
  const auto parent = static_cast<HWND>(fbplayer::page_parent_window());
  std::uint32_t error = 0;
  const fb::WindowHandle dialog = fb::create_preferences_dialog(parent, handler, error);
  ASSERT_NE(dialog, nullptr) << "error " << error;
  host->main_thread().run_pending();
  EXPECT_EQ(GetAncestor(parent, GA_PARENT), GetDesktopWindow());
  EXPECT_TRUE(IsWindowVisible(parent) && IsWindowVisible(static_cast<HWND>(dialog)));

  std::string shown;  // in tab order
  for (const auto& c : fbplayer::page_controls(dialog)) {
    shown += std::to_string(c.id) + " " + std::to_string(c.check_state) + " " + c.text + "\n";
  }
  const std::string host_name = BRIVANTO_TEST_SERVICE_HOST;
  EXPECT_EQ(shown, "-1 0 Сервер: " + host_name +
                       " (зашит в плагин)\n1004 0 Request authorization\n1005 0 Enable "
                       "scrobbling\n1006 0 Enable now playing\n-1 0 1. Request authorization "
                       "(откроется браузер)  2. Разрешить на " +
                       host_name + "  3. Complete authorization\n");

  EXPECT_TRUE(fbplayer::click_page_control(dialog, fb::kIdcEnableNowPlaying));
  EXPECT_EQ(handler.commands(fb::kIdcEnableNowPlaying, fb::kBnClicked), 1U);
  EXPECT_EQ(fbplayer::page_controls(dialog).at(3).check_state, 1);
  EXPECT_FALSE(fbplayer::click_page_control(dialog, 4242));

  std::thread worker([dialog] { fb::post_message(dialog, fb::kWmAuthResult, 0, 7); });
  EXPECT_TRUE(
      host->main_thread().run_until([&] { return !handler.received(fb::kWmAuthResult).empty(); },
                                    std::chrono::steady_clock::now() + std::chrono::seconds(60)));
  worker.join();
}

}  // namespace
