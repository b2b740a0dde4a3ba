// The browser commands that a $BROWSER value names, by its usual convention: a colon-separated
// list of commands, each of which may carry arguments (split on white space) and "%s" for the
// address ("%%" for a percent sign); a command without "%s" gets the address as its last
// argument. An unset or empty value means xdg-open.
#pragma once

#include <string>
#include <vector>

namespace foo_brivanto {

using BrowserCommand = std::vector<std::string>;  // the program, then its arguments

// The commands of `browser` (null when unset) for `url`, in the order to try them; empty
// entries name none.
std::vector<BrowserCommand> browser_commands(const char* browser, const std::string& url);

}  // namespace foo_brivanto
