// Opening an address in the user's web browser: ShellExecuteW on Windows (browser_win32.cpp);
// elsewhere the commands of $BROWSER, or xdg-open (browser_posix.cpp).
#pragma once

#include <string>

namespace foo_brivanto {

// Opens `url` in the user's web browser without waiting for it. False when no browser could be
// started.
bool open_in_browser(const std::string& url);

}  // namespace foo_brivanto
