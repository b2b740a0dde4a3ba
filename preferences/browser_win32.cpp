// The web browser on Windows: the shell opens the address with the user's default browser.
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include "preferences/browser.h"
#include "sdk/utf16_win32.h"

namespace foo_brivanto {

bool open_in_browser(const std::string& url) {
  auto* const result =
      ShellExecuteW(nullptr, L"open", utf8_to_utf16(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  // Values above 32 mean success; the rest are error codes dressed as a handle.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace foo_brivanto
