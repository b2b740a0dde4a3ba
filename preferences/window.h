// The window operations the preferences dialog needs, and nothing more: USER32 and SHELL32 on
// Windows (window_win32.cpp); elsewhere an in-memory window system (window_posix.cpp) whose
// windows the host reaches through sdk/headless_window.h.
//
// Windows are created, changed and destroyed on the main thread. is_window and post_message
// may be called from any thread; a posted message is handled later on the main thread.
#pragma once

#include <cstdint>
#include <string>

namespace foo_brivanto {

using WindowHandle = void*;

// Message codes and constants, with their Win32 values.
inline constexpr unsigned kWmDestroy = 0x0002;
inline constexpr unsigned kWmInitDialog = 0x0110;
inline constexpr unsigned kWmCommand = 0x0111;
inline constexpr unsigned kWmApp = 0x8000;
// An authorization result for the preferences dialog; lParam is the AuthResult pointer.
inline constexpr unsigned kWmAuthResult = kWmApp + 42;
inline constexpr unsigned kBnClicked = 0;  // WM_COMMAND notification: a button was clicked

inline constexpr int kBstUnchecked = 0;
inline constexpr int kBstChecked = 1;
inline constexpr int kBstIndeterminate = 2;

// The dialog's controls.
inline constexpr int kIdcAuth = 1004;
inline constexpr int kIdcEnableScrobbling = 1005;
inline constexpr int kIdcEnableNowPlaying = 1006;

// Receives the messages of one dialog window, on the main thread.
class DialogMessages {
 public:
  // True when the message was handled, with the dialog procedure's result in `result`.
  // Exceptions must not leave it.
  virtual bool on_message(WindowHandle window, unsigned message, std::uintptr_t wparam,
                          std::intptr_t lparam, std::intptr_t& result) noexcept = 0;

 protected:
  ~DialogMessages() = default;
};

// Creates the preferences dialog as a child of `parent` (a modeless dialog from template 148
// of the component's resources on Windows; the same five controls in memory elsewhere), its
// messages going to `handler`, which receives WM_INITDIALOG before this returns. Null, with
// the system's error code in `error`, when the window cannot be created.
WindowHandle create_preferences_dialog(WindowHandle parent, DialogMessages& handler,
                                       std::uint32_t& error);

// Destroys the window; its handler receives WM_DESTROY first. Messages still posted to it are
// dropped by the window system afterwards, so WM_DESTROY is where the handler takes back what
// they carry (remove_posted_message).
void destroy_window(WindowHandle window);

bool is_window(WindowHandle window);

// Queues `message` for `window`. False when it could not be queued (for example because the
// window no longer exists); the caller then still owns what `lparam` points to.
bool post_message(WindowHandle window, unsigned message, std::uintptr_t wparam,
                  std::intptr_t lparam);

// Takes the oldest queued `message` for `window` off the queue, with its lParam. False when
// there is none.
bool remove_posted_message(WindowHandle window, unsigned message, std::intptr_t& lparam);

int button_check(WindowHandle dialog, int control);
void set_button_check(WindowHandle dialog, int control, int state);
void set_control_text(WindowHandle dialog, int control, const std::string& utf8);

// Opens `url` in the user's web browser. False when no browser could be started.
bool open_in_browser(const std::string& url);

}  // namespace foo_brivanto
