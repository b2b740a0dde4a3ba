// What only Windows does for the preferences page: the dialog from the resources linked into
// this program, its posted messages, and the shell's browser. Runs under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "preferences/auth_worker.h"
#include "preferences/browser.h"
#include "preferences/dialog_ids.h"
#include "preferences/page_controls.h"
#include "preferences/preferences_page.h"
#include "sdk/core_api.h"
#include "sdk/utf16_win32.h"
#include "tests/support/attached_host.h"
#include "tests/support/layout_faults.h"
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

std::string text_of(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

// The dialog windres made is the page the Linux window is built from: the same controls in the
// same order, with the same ids, classes, UTF-8 texts and places, and the check boxes toggle
// themselves. Its controls, as the system placed them, fit the page without overlapping.
TEST(PreferencesWindowTest, TheResourceDialogHoldsThePageControls) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 9, 9, nullptr, nullptr, nullptr, {});
  brivanto_test::RecordingDialog handler;
  std::uint32_t error = 0;
  const WindowHandle dialog = create_preferences_dialog(parent, handler, error);
  auto* const window = static_cast<HWND>(host_window(dialog));
  ASSERT_NE(window, nullptr) << error;
  RECT page{0, 0, kPageWidth, kPageHeight};
  MapDialogRect(window, &page);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(text_of(client), text_of(page));
  std::vector<brivanto_test::PlacedControl> placed;
  HWND control = GetWindow(window, GW_CHILD);
  for (const PageControl& expected : page_controls()) {
    ASSERT_NE(control, nullptr) << expected.text;
    wchar_t text[256] = {};
    wchar_t window_class[32] = {};
    GetWindowTextW(control, text, 256);
    GetClassNameW(control, window_class, 32);
    EXPECT_EQ(GetDlgCtrlID(control), expected.id);
    EXPECT_EQ(lstrcmpiW(window_class, utf8_to_utf16(expected.window_class).c_str()), 0);
    EXPECT_EQ(utf16_to_utf8(text), expected.text);
    const auto type = static_cast<unsigned>(GetWindowLongW(control, GWL_STYLE)) & BS_TYPEMASK;
    EXPECT_EQ(expected.auto_check_box, expected.id != -1 && type == BS_AUTOCHECKBOX);
    const DialogRect& p = expected.place;
    RECT wanted{p.x, p.y, p.x + p.width, p.y + p.height};
    MapDialogRect(window, &wanted);
    RECT got{};
    GetWindowRect(control, &got);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&got), 2);
    EXPECT_EQ(text_of(got), text_of(wanted)) << expected.text;
    placed.push_back({expected.text, got.left, got.top, got.right, got.bottom});
    control = GetWindow(control, GW_HWNDNEXT);
  }
  EXPECT_EQ(control, nullptr);
  EXPECT_EQ(brivanto_test::layout_faults(placed, client.right, client.bottom),
            std::vector<std::string>{});
  destroy_window(dialog);
  DestroyWindow(parent);
}

// A page whose dialog cannot be made (here: the module given holds no such resource) still
// gives the player a page: a plain child window that says why, as the console does.
TEST(PreferencesWindowTest, APageWithoutItsDialogSaysWhy) {
  brivanto_test::AttachedHost host;
  HWND parent = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 9, 9, nullptr, nullptr, nullptr, {});
  core_api::set_module_handle(GetModuleHandleW(L"kernel32.dll"));
  service_impl_single_t<PreferencesPage> page;
  preferences_page_instance* created = nullptr;
  page.instantiate(&created, parent,
                   service_arg_source(service_ptr_t<preferences_page_callback>()));
  core_api::set_module_handle(nullptr);
  auto instance = service_ptr_t<preferences_page_instance>::adopt(created);
  ASSERT_TRUE(instance);
  auto* const shown = static_cast<HWND>(instance->get_wnd());
  // The system's own "no such resource" error: Windows and Wine give different ones.
  SetLastError(0);
  FindResourceA(GetModuleHandleA("kernel32.dll"), MAKEINTRESOURCEA(IDD_PREFERENCES), RT_DIALOG);
  const std::string text = "The preferences page could not be created (system error " +
                           std::to_string(GetLastError()) + ").";
  wchar_t shown_text[128] = {};
  GetWindowTextW(shown, shown_text, 128);
  EXPECT_EQ(GetParent(shown), parent);
  EXPECT_EQ(utf16_to_utf8(shown_text), text);
  EXPECT_EQ(host->console().lines(), std::vector<std::string>{"foo_brivanto: " + text});
  EXPECT_EQ(instance->get_state(), 0U);
  instance.release();
  EXPECT_FALSE(IsWindow(shown));
  DestroyWindow(parent);
}

// The shell hands the browser the address exactly as given.
TEST(PreferencesWindowTest, TheShellOpensTheAddressAsGiven) {
  const std::string record = std::string("Z:") + std::getenv("BRIVANTO_BROWSER_RECORD");
  std::remove(record.c_str());
  const std::string url = "http://127.0.0.1:1/api/auth?api_key=k&token=a%2Bb";
  ASSERT_TRUE(open_in_browser(url));
  std::string opened;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (opened.empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // polls the browser's record
    std::ifstream in(record);
    std::getline(in, opened);
  }
  EXPECT_EQ(opened, url);
}

}  // namespace
}  // namespace foo_brivanto
