// The web browser of builds without a window system: the commands that $BROWSER names (or
// xdg-open), each started directly, never through a shell, which would read the address as
// shell text, until one starts. The started command is reaped when it ends.
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "preferences/browser.h"
#include "preferences/browser_command.h"
#include "sdk/threads.h"

extern char** environ;  // NOLINT(readability-redundant-declaration): POSIX gives no header for it

namespace foo_brivanto {
namespace {

// Starts `command` and has a background thread reap it. False when it cannot be started.
bool start(const BrowserCommand& command) {
  std::vector<std::vector<char>> storage;
  std::vector<char*> argv;
  storage.reserve(command.size());
  argv.reserve(command.size() + 1);
  for (const std::string& word : command) {
    storage.emplace_back(word.c_str(), word.c_str() + word.size() + 1);
  }
  for (std::vector<char>& word : storage) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
    return false;
  }
  run_in_thread([child] {
    int status = 0;
    waitpid(child, &status, 0);
  });
  return true;
}

}  // namespace

bool open_in_browser(const std::string& url) {
  const char* browser = std::getenv("BROWSER");  // NOLINT(concurrency-mt-unsafe): main thread
  return std::ranges::any_of(browser_commands(browser, url), start);
}

}  // namespace foo_brivanto
