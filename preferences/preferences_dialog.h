// The preferences page's dialog: the three switches, the authorization button, the main-thread
// half of the authorization (what a press means, and applying what the worker found), and what
// waits in the journal of kept scrobbles (journal_panel.h).
//
// One instance per opening of the page, created by PreferencesPage::create_instance and
// reference counted by the host; releasing the last reference destroys the window and the
// object. Main thread only; the worker reaches it only through a posted WM_AUTH_RESULT.
#pragma once

#include <cstdint>
#include <string>

#include "preferences/auth_worker.h"
#include "preferences/journal_panel.h"
#include "preferences/page_journal.h"
#include "preferences/window.h"
#include "sdk/preferences_page.h"

namespace foo_brivanto {

class PreferencesDialog : public preferences_page_instance, public DialogMessages {
 public:
  // The page works on the journal that page_journal() gives when it is made.
  explicit PreferencesDialog(service_ptr_t<preferences_page_callback> callback);
  PreferencesDialog(const PreferencesDialog&) = delete;
  PreferencesDialog& operator=(const PreferencesDialog&) = delete;

  // Creates the dialog window in `parent`. False, with the system's error code, on failure.
  bool create(void* parent, std::uint32_t& error);

  // The player's view of the page; each stops whatever is thrown (sdk/boundary.h).
  std::uint32_t get_state() override;
  window_handle get_wnd() override;
  // Stores the check boxes as the switches, and tells the journal.
  void apply() override;
  // Shows the two older switches as stored, and the journal's switch off (its default).
  void reset() override;

  // 8 (resettable), plus 1 when a check box differs from its stored switch.
  std::uint32_t page_state();
  window_handle window() { return host_window(window_); }
  // The window's handle, to which the worker posts the outcome of a press.
  WindowHandle handle() const { return window_; }

  bool on_message(WindowHandle window, unsigned message, std::uintptr_t wparam,
                  std::intptr_t lparam, std::intptr_t& result) noexcept override;

  void on_auth_button();
  // Applies a worker's outcome and destroys it; null is ignored.
  void on_auth_result(AuthResult* record);
  void update_auth_button();
  // Opens `url` in the browser, or tells the user that no browser could be started.
  static void open_browser(const std::string& url);
  // A message box, also printed to the console as "title: text".
  static void show_message(const std::string& text, const std::string& title);

 protected:
  ~PreferencesDialog();

 private:
  void store_switches();
  void show_stored_switches();
  void on_init_dialog(WindowHandle window);
  void on_destroy();
  void show_switches();
  void notify_changed();
  // The stored journal switch and session key, to the journal.
  void configure_journal_from_settings();

  WindowHandle window_ = kNoWindow;
  service_ptr_t<preferences_page_callback> callback_;
  PageJournal& journal_;
  JournalPanel journal_panel_;
};

}  // namespace foo_brivanto
