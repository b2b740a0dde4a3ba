// The window operations the preferences dialog needs, and nothing more: USER32 on Windows
// (window_win32.cpp); elsewhere an in-memory window system (window_posix.cpp) whose windows
// the host reaches through sdk/headless_window.h.
//
// A WindowHandle names one window for the life of the process: no later window ever gets the
// same handle (the system's own handles can be reused), so a worker that outlives its page can
// never reach a page opened after it. Windows are created, changed and destroyed on the main
// thread; post_message may be called from any thread.
#pragma once

#include <cstdint>
#include <string>

#include "preferences/dialog_ids.h"

namespace foo_brivanto {

enum class WindowHandle : std::uint64_t {};
inline constexpr WindowHandle kNoWindow{};

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

// The dialog's controls (preferences/dialog_ids.h).
inline constexpr int kIdcAuth = IDC_AUTH;
inline constexpr int kIdcEnableScrobbling = IDC_ENABLE_SCROBBLING;
inline constexpr int kIdcEnableNowPlaying = IDC_ENABLE_NOW_PLAYING;
inline constexpr int kIdcKeepUnsent = IDC_KEEP_UNSENT;
inline constexpr int kIdcJournalStatus = IDC_JOURNAL_STATUS;
inline constexpr int kIdcDiscard = IDC_DISCARD;

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

// Creates the preferences dialog as a child of the host's window `parent` (a modeless dialog
// from template IDD_PREFERENCES of the component's resources on Windows; the same controls in
// memory elsewhere), its messages going to `handler`, which receives WM_INITDIALOG before this
// returns. kNoWindow, with the system's error code in `error`, when it cannot be created.
WindowHandle create_preferences_dialog(void* parent, DialogMessages& handler, std::uint32_t& error);

// Creates a plain child window of `parent` that shows the UTF-8 `text` and nothing else (a
// static control on Windows; an in-memory window with that one text elsewhere), hidden like a
// page until the host shows it. kNoWindow when not even that can be created.
WindowHandle create_message_window(void* parent, const std::string& text);

// The window as the host sees it (preferences_page_instance::window): the HWND on Windows,
// the headless_window elsewhere. Null once the window is gone.
void* host_window(WindowHandle window);

// Destroys the window; a dialog's handler receives WM_DESTROY first. From then on post_message to
// it fails, and messages still queued for it would be dropped by the window system, so WM_DESTROY
// is where the handler takes back what they carry (remove_posted_message).
void destroy_window(WindowHandle window);

// Queues `message` for `window`. False when it could not be queued (the window is gone or
// being destroyed); the caller then still owns what `lparam` points to.
bool post_message(WindowHandle window, unsigned message, std::uintptr_t wparam,
                  std::intptr_t lparam);

// Takes the oldest queued `message` for `window` off the queue, with its lParam. False when
// there is none.
bool remove_posted_message(WindowHandle window, unsigned message, std::intptr_t& lparam);

int button_check(WindowHandle dialog, int control);
void set_button_check(WindowHandle dialog, int control, int state);
void set_control_text(WindowHandle dialog, int control, const std::string& utf8);
// A disabled control takes no clicks and looks so.
void enable_control(WindowHandle dialog, int control, bool enabled);

// Asks the user a Yes/No question about the window `owner` and waits for the answer: true for
// Yes. A message box owned by the window on Windows (its owner cannot be used meanwhile, and
// the main thread's other messages are still handled); elsewhere the host answers it through
// the window (sdk/headless_window.h). No when the question cannot be asked, and No is the
// answer Enter gives: the questions asked are about emptying what cannot be had back.
bool ask_yes_no(WindowHandle owner, const std::string& text, const std::string& title);

}  // namespace foo_brivanto
