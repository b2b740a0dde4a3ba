// What only Windows does for the preferences page: the dialog from the resources linked into
// this program, and its posted messages. Runs under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

#include "preferences/auth_worker.h"
#include "tests/support/attached_host.h"
#include "tests/support/recording_dialog.h"

namespace foo_brivanto {
namespace {

// The dialog from the resources takes its posted messages; a closed one's handle takes none,
// also once another dialog is open, so a late worker's outcome is lost.
TEST(PreferencesWindowTest, TakesOnlyItsOwnMessages) {
  brivanto_test::AttachedHost host;  // its main thread dispatches window messages as it waits
  HWND parent = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 9, 9, nullptr, nullptr, nullptr, {});
  brivanto_test::RecordingDialog first;
  std::uint32_t error = 0;
  const WindowHandle dialog = create_preferences_dialog(parent, first, error);
  ASSERT_EQ(GetParent(static_cast<HWND>(host_window(dialog))), parent) << error;
  ASSERT_TRUE(post_message(dialog, kWmAuthResult, 0, 22));
  host->main_thread().run_pending();
  EXPECT_EQ(first.received(kWmAuthResult).at(0).lparam, 22);
  destroy_window(dialog);
  const WindowHandle next = create_preferences_dialog(parent, first, error);
  EXPECT_NE(next, dialog);
  run_auth_task({AuthAction::Clear, "", dialog});
  host->main_thread().run_pending();
  EXPECT_EQ(first.received(kWmAuthResult).size(), 1U);
  destroy_window(next);
  DestroyWindow(parent);
}

}  // namespace
}  // namespace foo_brivanto
