// The stand-in player's page window with the preferences dialog in it, as the player's
// commands see and operate it, and the main thread's wait that keeps it responsive. Runs under
// Wine with an X display.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "player/page_window.h"
#include "preferences/window.h"
#include "tests/support/attached_host.h"
#include "tests/support/recording_dialog.h"

namespace {

using namespace std::chrono_literals;
using brivanto_test::RecordingDialog;
namespace fb = foo_brivanto;

const std::string kHost = BRIVANTO_TEST_SERVICE_HOST;

std::string describe(const std::vector<fbplayer::PageControl>& controls) {
  std::string text;
  for (const auto& c : controls) {
    text += std::to_string(c.id) + " [" + std::to_string(c.check_state) + "] " + c.text + "\n";
  }
  return text;
}

class PageWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = static_cast<HWND>(fbplayer::page_parent_window());
    ASSERT_NE(parent_, nullptr);
    std::uint32_t error = 0;
    dialog_ = fb::create_preferences_dialog(parent_, handler_, error);
    ASSERT_NE(dialog_, fb::kNoWindow) << "error " << error;
    page_ = static_cast<HWND>(fb::host_window(dialog_));
    host_->main_thread().run_pending();  // the page window shows the page
  }

  brivanto_test::AttachedHost host_;
  RecordingDialog handler_;
  HWND parent_ = nullptr;
  fb::WindowHandle dialog_{};
  HWND page_ = nullptr;
};

TEST_F(PageWindowTest, ShowsThePageInsideOneVisibleTopLevelWindow) {
  EXPECT_EQ(fbplayer::page_parent_window(), parent_);
  EXPECT_EQ(GetAncestor(parent_, GA_PARENT), GetDesktopWindow());
  EXPECT_TRUE(IsWindowVisible(parent_));
  EXPECT_TRUE(IsWindowVisible(page_));

  RECT page{};
  GetWindowRect(page_, &page);
  MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&page), 2);
  RECT client{};
  GetClientRect(parent_, &client);
  EXPECT_GT(page.left, 0);
  EXPECT_GT(page.top, 0);
  EXPECT_LT(page.right, client.right);
  EXPECT_LT(page.bottom, client.bottom);
}

TEST_F(PageWindowTest, ReadsTheControlsInTabOrder) {
  fb::set_button_check(dialog_, fb::kIdcEnableScrobbling, fb::kBstChecked);
  const std::vector<fbplayer::PageControl> expected = {
      {-1, "Сервер: " + kHost + " (зашит в плагин)", 0},
      {1004, "Request authorization", 0},
      {1005, "Enable scrobbling", 1},
      {1006, "Enable now playing", 0},
      {-1,
       "1. Request authorization (откроется браузер)  2. Разрешить на " + kHost +
           "  3. Complete authorization",
       0},
  };
  EXPECT_EQ(describe(fbplayer::page_controls(page_)), describe(expected));
}

// Clicks reach the dialog through the window system: a check box toggles itself and the
// handler hears of every click.
TEST_F(PageWindowTest, ClicksControlsAsAUserWould) {
  EXPECT_TRUE(fbplayer::click_page_control(page_, fb::kIdcEnableNowPlaying));
  EXPECT_EQ(handler_.commands(fb::kIdcEnableNowPlaying, fb::kBnClicked), 1U);
  EXPECT_EQ(fbplayer::page_controls(page_).at(3).check_state, 1);

  EXPECT_TRUE(fbplayer::click_page_control(page_, fb::kIdcAuth));
  EXPECT_EQ(handler_.commands(fb::kIdcAuth, fb::kBnClicked), 1U);

  EXPECT_FALSE(fbplayer::click_page_control(page_, 4242));
}

// A message posted to the page from another thread wakes the main thread's wait and is
// dispatched there, long before the wait's deadline.
TEST_F(PageWindowTest, MainThreadWaitWakesForWindowMessages) {
  std::thread worker([this] { fb::post_message(dialog_, fb::kWmAuthResult, 0, 7); });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(host_->main_thread().run_until(
      [this] { return !handler_.received(fb::kWmAuthResult).empty(); }, start + 60s));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
  worker.join();
}

}  // namespace
