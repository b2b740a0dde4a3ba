#include "preferences/preferences_dialog.h"

#include <memory>
#include <utility>

#include "api/service_identity.h"
#include "preferences/browser.h"
#include "sdk/boundary.h"
#include "sdk/console.h"
#include "sdk/popup_message.h"
#include "sdk/threads.h"
#include "settings/settings.h"

namespace foo_brivanto {
namespace {

constexpr const char* kTitle = "foo_brivanto";

std::uint16_t low_word(std::uintptr_t value) {
  return static_cast<std::uint16_t>(value & 0xFFFFU);
}
std::uint16_t high_word(std::uintptr_t value) {
  return static_cast<std::uint16_t>((value >> 16U) & 0xFFFFU);
}

// The authorization step that a press of the button takes now.
AuthAction next_action() {
  if (!session_key.is_empty()) {
    return AuthAction::Clear;
  }
  return pending_token.is_empty() ? AuthAction::Request : AuthAction::Complete;
}

std::string approval_reminder() {
  return "Откройте " + std::string(service_host_name()) +
         " в браузере, войдите и нажмите «Разрешить». Затем вернитесь сюда и нажмите Complete "
         "authorization.";
}

}  // namespace

PreferencesDialog::PreferencesDialog(service_ptr_t<preferences_page_callback> callback)
    : callback_(std::move(callback)), journal_(page_journal()), journal_panel_(journal_) {}

PreferencesDialog::~PreferencesDialog() {
  if (window_ != kNoWindow) {
    destroy_window(window_);
  }
}

bool PreferencesDialog::create(void* parent, std::uint32_t& error) {
  return create_preferences_dialog(parent, *this, error) != kNoWindow;
}

std::uint32_t PreferencesDialog::page_state() {
  std::uint32_t state = state_resettable;
  if (window_ == kNoWindow) {
    return state;
  }
  const bool scrobbling = button_check(window_, kIdcEnableScrobbling) == kBstChecked;
  const bool now_playing = button_check(window_, kIdcEnableNowPlaying) == kBstChecked;
  const bool keep = button_check(window_, kIdcKeepUnsent) == kBstChecked;
  if (scrobbling != enable_scrobbling || now_playing != enable_now_playing ||
      keep != keep_unsent_scrobbles) {
    state |= state_changed;
  }
  return state;
}

std::uint32_t PreferencesDialog::get_state() {
  return guarded("get_state", std::uint32_t{state_resettable}, [this] { return page_state(); });
}

window_handle PreferencesDialog::get_wnd() {
  return guarded("get_wnd", window_handle{}, [this] { return window(); });
}

void PreferencesDialog::apply() {
  guarded("apply", [this] { store_switches(); });
}

void PreferencesDialog::reset() {
  guarded("reset", [this] { show_stored_switches(); });
}

void PreferencesDialog::store_switches() {
  if (window_ == kNoWindow) {
    return;  // nothing on screen to take the switches from
  }
  enable_scrobbling = button_check(window_, kIdcEnableScrobbling) == kBstChecked;
  enable_now_playing = button_check(window_, kIdcEnableNowPlaying) == kBstChecked;
  keep_unsent_scrobbles = button_check(window_, kIdcKeepUnsent) == kBstChecked;
  configure_journal_from_settings();
  notify_changed();
  update_auth_button();
}

void PreferencesDialog::configure_journal_from_settings() {
  journal_.configure(keep_unsent_scrobbles, session_key.get());
}

void PreferencesDialog::show_stored_switches() {
  upgrade_settings();
  show_switches();
  set_button_check(window_, kIdcKeepUnsent, kBstUnchecked);
  update_auth_button();
  notify_changed();
}

bool PreferencesDialog::on_message(WindowHandle window, unsigned message, std::uintptr_t wparam,
                                   std::intptr_t lparam, std::intptr_t& result) noexcept {
  try {
    const bool clicked = message == kWmCommand && high_word(wparam) == kBnClicked;
    if (message == kWmInitDialog) {
      on_init_dialog(window);
      result = 0;  // the dialog manager leaves the keyboard focus alone
      return true;
    }
    if (clicked && low_word(wparam) == kIdcAuth) {
      on_auth_button();
      result = 0;
      return true;
    }
    if (message == kWmAuthResult) {
      on_auth_result(reinterpret_cast<AuthResult*>(lparam));  // NOLINT(performance-no-int-to-ptr)
      result = 0;
      return true;
    }
    if (clicked &&
        (low_word(wparam) == kIdcEnableScrobbling || low_word(wparam) == kIdcEnableNowPlaying ||
         low_word(wparam) == kIdcKeepUnsent)) {
      notify_changed();  // the check box toggled itself; nothing is stored before apply
      result = 0;
      return true;
    }
    if (clicked && low_word(wparam) == kIdcDiscard) {
      journal_panel_.on_discard();
      result = 0;
      return true;
    }
    if (message == kWmDestroy) {
      on_destroy();
    }
  } catch (...) {  // NOLINT(bugprone-empty-catch): a failed message counts as not handled
  }
  return false;
}

void PreferencesDialog::on_init_dialog(WindowHandle window) {
  window_ = window;
  upgrade_settings();
  show_switches();
  update_auth_button();
  journal_panel_.open(window);
}

void PreferencesDialog::on_destroy() {
  journal_panel_.close();
  // Outcomes still queued for this window would be lost with it: take them back and free them.
  std::intptr_t queued = 0;
  while (remove_posted_message(window_, kWmAuthResult, queued)) {
    std::unique_ptr<AuthResult> dropped(reinterpret_cast<AuthResult*>(queued));  // NOLINT
  }
  window_ = kNoWindow;
}

void PreferencesDialog::show_switches() {
  set_button_check(window_, kIdcEnableScrobbling, enable_scrobbling ? kBstChecked : kBstUnchecked);
  set_button_check(window_, kIdcEnableNowPlaying, enable_now_playing ? kBstChecked : kBstUnchecked);
  set_button_check(window_, kIdcKeepUnsent, keep_unsent_scrobbles ? kBstChecked : kBstUnchecked);
}

void PreferencesDialog::notify_changed() {
  if (callback_) {
    callback_->on_state_changed();
  }
}

void PreferencesDialog::on_auth_button() {
  store_switches();
  AuthTask task{next_action(), pending_token.get(), window_};
  console::print("foo_brivanto: auth button clicked");
  if (!run_in_thread([task = std::move(task)] { run_auth_task(task); })) {
    show_message("Could not start the authorization: no thread could be started.", kTitle);
  }
}

void PreferencesDialog::on_auth_result(AuthResult* record) {
  const std::unique_ptr<AuthResult> result(record);
  if (!result) {
    return;
  }
  if (!result->ok) {
    if (result->clear_pending_token) {
      pending_token = "";
    }
    show_message(result->text, kTitle);
  } else if (result->reopen_browser) {
    open_browser(result->text);
    show_message(approval_reminder(), kTitle);
    update_auth_button();
    return;  // nothing changed that the host needs to know of
  } else {
    switch (static_cast<AuthAction>(result->action)) {
      case AuthAction::Request:
        // Stored first: a browser that fails to start still leaves the token to complete.
        pending_token = result->new_token;
        open_browser(result->text);
        console::print("foo_brivanto: Approve in browser, then click Complete authorization");
        break;
      case AuthAction::Complete:
        session_key = result->new_session_key;
        pending_token = "";
        console::print("foo_brivanto: Authorized (session key saved)");
        configure_journal_from_settings();  // a new key sends what waits
        break;
      case AuthAction::Clear:
        session_key = "";
        pending_token = "";
        console::print("foo_brivanto: Authorization cleared");
        configure_journal_from_settings();
        break;
      default:
        break;
    }
  }
  update_auth_button();
  notify_changed();
}

void PreferencesDialog::update_auth_button() {
  if (window_ == kNoWindow) {
    return;
  }
  const char* label = "Request authorization";
  if (!session_key.is_empty()) {
    label = "Clear authorization";
  } else if (!pending_token.is_empty()) {
    label = "Complete authorization";
  }
  set_control_text(window_, kIdcAuth, label);
}

void PreferencesDialog::open_browser(const std::string& url) {
  if (!open_in_browser(url)) {
    show_message("Could not open browser.\r\n\r\n" + url, kTitle);
  }
}

void PreferencesDialog::show_message(const std::string& text, const std::string& title) {
  console::print(title + ": " + text);
  popup_message::g_show(text.c_str(), title.c_str());
}

}  // namespace foo_brivanto
