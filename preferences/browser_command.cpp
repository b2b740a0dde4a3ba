// The browser commands that a $BROWSER value names.
#include "preferences/browser_command.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>

namespace foo_brivanto {
namespace {

// One word of a command with "%s" replaced by the address and "%%" by a percent sign.
std::string expand(std::string_view word, const std::string& url, bool& used_url) {
  std::string out;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const char next = i + 1 < word.size() ? word[i + 1] : '\0';
    if (word[i] == '%' && (next == 's' || next == '%')) {
      out += next == 's' ? url : "%";
      used_url = used_url || next == 's';
      ++i;
    } else {
      out += word[i];
    }
  }
  return out;
}

// The command of one entry: its words, the address in place of "%s" or after the last word.
BrowserCommand parse_command(std::string_view entry, const std::string& url) {
  BrowserCommand words;
  bool used_url = false;
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  for (std::size_t start = 0, end = 0; start < entry.size(); start = end) {
    for (; start < entry.size() && blank(entry[start]); ++start) {
    }
    for (end = start; end < entry.size() && !blank(entry[end]); ++end) {
    }
    if (end > start) {
      words.push_back(expand(entry.substr(start, end - start), url, used_url));
    }
  }
  if (!words.empty() && !used_url) {
    words.push_back(url);
  }
  return words;
}

}  // namespace

std::vector<BrowserCommand> browser_commands(const char* browser, const std::string& url) {
  const std::string_view list = browser != nullptr && *browser != '\0' ? browser : "xdg-open";
  std::vector<BrowserCommand> commands;
  for (std::size_t start = 0; start <= list.size();) {
    const std::size_t colon = std::min(list.find(':', start), list.size());
    if (BrowserCommand command = parse_command(list.substr(start, colon - start), url);
        !command.empty()) {
      commands.push_back(std::move(command));
    }
    start = colon + 1;
  }
  return commands;
}

}  // namespace foo_brivanto
