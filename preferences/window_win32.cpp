// The preferences dialog's window operations over USER32 and SHELL32.
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include <string>

#include "preferences/window.h"
#include "sdk/core_api.h"

namespace foo_brivanto {
namespace {

// The dialog template in the module's resources (preferences/preferences.rc.in).
constexpr WORD kPreferencesDialogTemplate = 148;

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

std::wstring widen(const std::string& utf8) {
  if (utf8.empty()) {
    return {};
  }
  const int length = static_cast<int>(utf8.size());
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  if (size <= 0) {
    return {};
  }
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), size);
  return wide;
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

// Hands every message from WM_INITDIALOG on to the window's DialogMessages, whose address
// arrives as WM_INITDIALOG's lParam and is kept in DWLP_USER until the window is gone.
// Messages it does not handle (and those before WM_INITDIALOG) get the default dialog
// handling.
INT_PTR CALLBACK dialog_procedure(HWND window, UINT message, WPARAM wparam,
                                  LPARAM lparam) noexcept {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lparam);
  }
  auto* handler = reinterpret_cast<DialogMessages*>(GetWindowLongPtrW(window, DWLP_USER));
  if (handler == nullptr) {
    return FALSE;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, DWLP_USER, 0);
  }
  std::intptr_t result = 0;
  if (!handler->on_message(window, message, static_cast<std::uintptr_t>(wparam),
                           static_cast<std::intptr_t>(lparam), result)) {
    return FALSE;
  }
  if (answers_in_return_value(message)) {
    return static_cast<INT_PTR>(result);
  }
  SetWindowLongPtrW(window, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
  return TRUE;
}

HWND hwnd(WindowHandle window) {
  return static_cast<HWND>(window);
}

}  // namespace

WindowHandle create_preferences_dialog(WindowHandle parent, DialogMessages& handler,
                                       std::uint32_t& error) {
  SetLastError(ERROR_SUCCESS);
  HWND dialog =
      CreateDialogParamW(resource_module(), MAKEINTRESOURCEW(kPreferencesDialogTemplate),
                         hwnd(parent), dialog_procedure, reinterpret_cast<LPARAM>(&handler));
  if (dialog != nullptr && IsWindow(dialog) == FALSE) {
    dialog = nullptr;  // its WM_INITDIALOG destroyed it; the system still gives the handle
  }
  if (dialog == nullptr) {
    error = GetLastError();
    // A failure must never read as success. The system leaves no code behind when the window
    // went away during its creation, as when its own WM_INITDIALOG destroys it.
    if (error == ERROR_SUCCESS) {
      error = ERROR_INVALID_WINDOW_HANDLE;
    }
  }
  return dialog;
}

void destroy_window(WindowHandle window) {
  DestroyWindow(hwnd(window));
}

bool is_window(WindowHandle window) {
  return IsWindow(hwnd(window)) != FALSE;
}

bool post_message(WindowHandle window, unsigned message, std::uintptr_t wparam,
                  std::intptr_t lparam) {
  return PostMessageW(hwnd(window), message, static_cast<WPARAM>(wparam),
                      static_cast<LPARAM>(lparam)) != FALSE;
}

bool remove_posted_message(WindowHandle window, unsigned message, std::intptr_t& lparam) {
  MSG queued{};
  if (PeekMessageW(&queued, hwnd(window), message, message, PM_REMOVE) == FALSE) {
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
  SetDlgItemTextW(hwnd(dialog), control, widen(utf8).c_str());
}

bool open_in_browser(const std::string& url) {
  const HINSTANCE result =
      ShellExecuteW(nullptr, L"open", widen(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  // Values above 32 mean success; the rest are error codes dressed as a handle.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace foo_brivanto
