#include "preferences/preferences_page.h"

#include <string>
#include <utility>

#include "preferences/preferences_dialog.h"
#include "preferences/window.h"
#include "sdk/boundary.h"
#include "sdk/console.h"

namespace foo_brivanto {
namespace {

// What the player shows in place of a dialog that could not be made: the reason, in a plain
// window. Nothing to apply or reset.
class ErrorPage : public preferences_page_instance {
 public:
  explicit ErrorPage(WindowHandle window) : window_(window) {}
  ErrorPage(const ErrorPage&) = delete;
  ErrorPage& operator=(const ErrorPage&) = delete;

  std::uint32_t get_state() override { return 0; }
  window_handle get_wnd() override {
    return guarded("get_wnd", window_handle{}, [this] { return host_window(window_); });
  }
  void apply() override {}
  void reset() override {}

 protected:
  ~ErrorPage() {
    if (window_ != kNoWindow) {
      destroy_window(window_);
    }
  }

 private:
  WindowHandle window_;
};

}  // namespace

GUID PreferencesPage::page_guid() {
  // {B7E4F1A2-3C5D-4E8F-9A0B-1C2D3E4F5A6B}
  return {0xB7E4F1A2, 0x3C5D, 0x4E8F, {0x9A, 0x0B, 0x1C, 0x2D, 0x3E, 0x4F, 0x5A, 0x6B}};
}

GUID PreferencesPage::parent_guid() {
  // {627C0767-0793-44F8-8087-BE4934311282}: the player's "Tools" branch.
  return {0x627C0767, 0x0793, 0x44F8, {0x80, 0x87, 0xBE, 0x49, 0x34, 0x31, 0x12, 0x82}};
}

service_ptr_t<preferences_page_instance> PreferencesPage::create_instance(
    window_handle parent, service_ptr_t<preferences_page_callback> callback) {
  const service_ptr_t<PreferencesDialog> dialog =
      service_new<PreferencesDialog>(std::move(callback));
  std::uint32_t error = 0;
  if (dialog->create(parent, error)) {
    return dialog;
  }
  const std::string text =
      "The preferences page could not be created (system error " + std::to_string(error) + ").";
  console::print("foo_brivanto: " + text);
  return service_new<ErrorPage>(create_message_window(parent, text));
}

}  // namespace foo_brivanto
