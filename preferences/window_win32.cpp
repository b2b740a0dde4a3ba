// The preferences dialog's window operations over USER32, with handles that are never reused:
// each window gets a number of its own, which maps to its HWND while it lives.
#include <windows.h>

#include <map>
#include <mutex>
#include <string>

#include "preferences/page_controls.h"
#include "preferences/window.h"
#include "sdk/core_api.h"
#include "sdk/utf16_win32.h"

namespace foo_brivanto {
namespace {

// Any object of this file: its address names the module that holds this code.
const char kModuleAnchor = 0;

// The module whose resources hold the dialog: the one the player loaded the component from,
// or, when no player gave one (test programs that link this code), the module of this code.
HINSTANCE resource_module() {
  if (void* given = core_api::module_handle(); given != nullptr) {
    return static_cast<HINSTANCE>(given);
  }
  HMODULE self = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&kModuleAnchor), &self);
  return self;
}

// The windows that exist, by handle. An HWND can name another window once its own is gone, so
// a post from another thread looks its window up here and posts under the lock: the window
// cannot finish being destroyed meanwhile, since its WM_NCDESTROY takes the same lock.
struct Window {
  HWND hwnd = nullptr;  // set at WM_INITDIALOG
  DialogMessages* handler = nullptr;
  bool closing = false;  // from WM_DESTROY on, posts fail
};
std::mutex g_mutex;
auto& g_windows = *new std::map<WindowHandle, Window>();
std::uint64_t g_last_handle = 0;

HWND hwnd(WindowHandle window) {
  const std::lock_guard lock(g_mutex);
  const auto it = g_windows.find(window);
  return it == g_windows.end() ? nullptr : it->second.hwnd;
}

// Notes what `message` changes about the window, and gives its handler (null when the window
// is not one of ours, or gone).
DialogMessages* track(WindowHandle window, HWND system_window, UINT message) {
  const std::lock_guard lock(g_mutex);
  const auto it = g_windows.find(window);
  if (it == g_windows.end()) {
    return nullptr;
  }
  if (message == WM_INITDIALOG) {
    it->second.hwnd = system_window;
  } else if (message == WM_DESTROY) {
    it->second.closing = true;
  }
  return it->second.handler;
}

void forget(WindowHandle window) {
  const std::lock_guard lock(g_mutex);
  g_windows.erase(window);
}

// A dialog procedure answers most messages through DWLP_MSGRESULT and returns TRUE for
// "handled"; these few carry their answer in the return value itself.
bool answers_in_return_value(UINT message) {
  switch (message) {
    case WM_INITDIALOG:
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return true;
    default:
      return false;
  }
}

// Hands every message from WM_INITDIALOG on to the window's DialogMessages. The window's handle
// arrives as WM_INITDIALOG's lParam and is kept in DWLP_USER. Messages the handler does not
// handle (and those before WM_INITDIALOG) get the default dialog handling.
INT_PTR CALLBACK dialog_procedure(HWND window, UINT message, WPARAM wparam,
                                  LPARAM lparam) noexcept {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lparam);
  }
  const auto handle =
      static_cast<WindowHandle>(static_cast<std::uint64_t>(GetWindowLongPtrW(window, DWLP_USER)));
  DialogMessages* handler = track(handle, window, message);
  if (handler == nullptr) {
    return FALSE;
  }
  std::intptr_t result = 0;
  const bool handled = handler->on_message(handle, message, static_cast<std::uintptr_t>(wparam),
                                           static_cast<std::intptr_t>(lparam), result);
  if (message == WM_NCDESTROY) {
    forget(handle);
  }
  if (!handled) {
    return FALSE;
  }
  if (answers_in_return_value(message)) {
    return static_cast<INT_PTR>(result);
  }
  SetWindowLongPtrW(window, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
  return TRUE;
}

}  // namespace

WindowHandle create_preferences_dialog(void* parent, DialogMessages& handler,
                                       std::uint32_t& error) {
  WindowHandle handle{};
  {
    const std::lock_guard lock(g_mutex);
    handle = WindowHandle{++g_last_handle};
    g_windows[handle].handler = &handler;
  }
  SetLastError(ERROR_SUCCESS);
  HWND dialog = CreateDialogParamW(resource_module(), MAKEINTRESOURCEW(IDD_PREFERENCES),
                                   static_cast<HWND>(parent), dialog_procedure,
                                   static_cast<LPARAM>(static_cast<std::uint64_t>(handle)));
  if (dialog != nullptr && IsWindow(dialog) != FALSE && hwnd(handle) == dialog) {
    return handle;
  }
  // Not created, or its WM_INITDIALOG destroyed it (the system still gives the handle).
  error = GetLastError();
  // A failure must never read as success. The system leaves no code behind when the window
  // went away during its creation.
  if (error == ERROR_SUCCESS) {
    error = ERROR_INVALID_WINDOW_HANDLE;
  }
  forget(handle);
  return kNoWindow;
}

WindowHandle create_message_window(void* parent, const std::string& text) {
  // As large as the page's dialog would be, in dialog units of the system font.
  const LONG units = GetDialogBaseUnits();
  HWND window =
      CreateWindowExW(0, L"STATIC", utf8_to_utf16(text).c_str(), WS_CHILD | SS_LEFT, 0, 0,
                      MulDiv(kPageWidth, LOWORD(units), 4), MulDiv(kPageHeight, HIWORD(units), 8),
                      static_cast<HWND>(parent), nullptr, resource_module(), nullptr);
  if (window == nullptr) {
    return kNoWindow;
  }
  const std::lock_guard lock(g_mutex);
  const WindowHandle handle{++g_last_handle};
  g_windows[handle].hwnd = window;  // no handler: nothing is posted to it
  return handle;
}

void* host_window(WindowHandle window) {
  return hwnd(window);
}

void destroy_window(WindowHandle window) {
  HWND system_window = nullptr;
  bool dialog = false;
  {
    const std::lock_guard lock(g_mutex);
    const auto it = g_windows.find(window);
    if (it == g_windows.end()) {
      return;
    }
    system_window = it->second.hwnd;
    dialog = it->second.handler != nullptr;
  }
  if (system_window != nullptr) {
    DestroyWindow(system_window);
  }
  if (!dialog) {
    forget(window);  // a dialog forgets itself at WM_NCDESTROY
  }
}

bool post_message(WindowHandle window, unsigned message, std::uintptr_t wparam,
                  std::intptr_t lparam) {
  const std::lock_guard lock(g_mutex);
  const auto it = g_windows.find(window);
  return it != g_windows.end() && !it->second.closing && it->second.handler != nullptr &&
         it->second.hwnd != nullptr &&
         PostMessageW(it->second.hwnd, message, static_cast<WPARAM>(wparam),
                      static_cast<LPARAM>(lparam)) != FALSE;
}

bool remove_posted_message(WindowHandle window, unsigned message, std::intptr_t& lparam) {
  HWND system_window = hwnd(window);
  MSG queued{};
  if (system_window == nullptr ||
      PeekMessageW(&queued, system_window, message, message, PM_REMOVE) == FALSE) {
    return false;
  }
  lparam = static_cast<std::intptr_t>(queued.lParam);
  return true;
}

int button_check(WindowHandle dialog, int control) {
  return static_cast<int>(IsDlgButtonChecked(hwnd(dialog), control));
}

void set_button_check(WindowHandle dialog, int control, int state) {
  CheckDlgButton(hwnd(dialog), control, static_cast<UINT>(state));
}

void set_control_text(WindowHandle dialog, int control, const std::string& utf8) {
  SetDlgItemTextW(hwnd(dialog), control, utf8_to_utf16(utf8).c_str());
}

void enable_control(WindowHandle dialog, int control, bool enabled) {
  HWND dialog_window = hwnd(dialog);
  HWND control_window = GetDlgItem(dialog_window, control);
  if (!enabled && control_window != nullptr && GetFocus() == control_window) {
    // A disabled control that keeps the focus leaves the keyboard nowhere to go.
    SendMessageW(dialog_window, WM_NEXTDLGCTL, 0, FALSE);
  }
  EnableWindow(control_window, enabled ? TRUE : FALSE);
}

bool ask_yes_no(WindowHandle owner, const std::string& text, const std::string& title) {
  HWND owner_window = hwnd(owner);
  return owner_window != nullptr &&
         MessageBoxW(owner_window, utf8_to_utf16(text).c_str(), utf8_to_utf16(title).c_str(),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

}  // namespace foo_brivanto
