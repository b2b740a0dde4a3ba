// What only Windows does for the preferences page: the dialog from the resources linked into
// this program, and its posted messages. Runs under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "preferences/auth_worker.h"
#include "preferences/page_controls.h"
#include "preferences/utf16_win32.h"
#include "tests/support/attached_host.h"
#include "tests/support/recording_dialog.h"

namespace foo_brivanto {
namespace {

// The dialog is a hidden child with the page's controls. A message posted from another thread
// reaches its handler on the main thread, unless taken back; a closed dialog's handle takes
// none, also once another dialog is open, so a late worker's outcome is lost.
TEST(PreferencesWindowTest, ShowsThePageAndTakesOnlyItsOwnMessages) {
  brivanto_test::AttachedHost host;  // its main thread dispatches window messages as it waits
  HWND parent = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 9, 9, nullptr, nullptr, nullptr, {});
  brivanto_test::RecordingDialog first;
  brivanto_test::RecordingDialog second;
  std::uint32_t error = 0;
  const WindowHandle dialog = create_preferences_dialog(parent, first, error);
  auto* window = static_cast<HWND>(host_window(dialog));
  ASSERT_TRUE(window != nullptr && GetParent(window) == parent) << error;
  HWND child = GetWindow(window, GW_CHILD);
  for (const PageControl& expected : page_controls()) {
    wchar_t text[128] = {};
    GetWindowTextW(child, text, 128);
    EXPECT_EQ(GetDlgCtrlID(child), expected.id);
    EXPECT_EQ(std::wstring(text), utf8_to_utf16(expected.text));
    child = GetWindow(child, GW_HWNDNEXT);
  }
  ASSERT_TRUE(post_message(dialog, kWmAuthResult, 0, 11));
  std::intptr_t lparam = 0;
  EXPECT_TRUE(remove_posted_message(dialog, kWmAuthResult, lparam) && lparam == 11);
  std::thread([&] { EXPECT_TRUE(post_message(dialog, kWmAuthResult, 0, 22)); }).join();
  EXPECT_TRUE(
      host->main_thread().run_until([&] { return !first.received(kWmAuthResult).empty(); },
                                    std::chrono::steady_clock::now() + std::chrono::seconds(30)));
  EXPECT_EQ(first.received(kWmAuthResult).at(0).lparam, 22);
  destroy_window(dialog);
  const WindowHandle next = create_preferences_dialog(parent, second, error);
  EXPECT_NE(next, dialog);
  run_auth_task({AuthAction::Clear, "", dialog});
  host->main_thread().run_pending();
  EXPECT_TRUE(second.received(kWmAuthResult).empty());
  destroy_window(next);
  DestroyWindow(parent);
}

}  // namespace
}  // namespace foo_brivanto
