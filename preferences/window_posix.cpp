// The in-memory window system of builds without one: the preferences dialog's controls as
// plain values, and each window's queue of posted messages, delivered as main-thread tasks of
// the host. The host sees a window through sdk/headless_window.h; the handle is a pointer to
// it.
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "api/service_identity.h"
#include "preferences/window.h"
#include "sdk/headless_window.h"
#include "sdk/main_thread.h"
#include "sdk/threads.h"

extern char** environ;  // NOLINT(readability-redundant-declaration): POSIX gives no header for it

namespace foo_brivanto {
namespace {

struct Posted {
  unsigned message;
  std::uintptr_t wparam;
  std::intptr_t lparam;
};

class HeadlessDialog final : public headless_window {
 public:
  struct Control {
    int id;
    const char* window_class;
    std::string text;
    int check_state;
    bool auto_check_box;
  };

  explicit HeadlessDialog(DialogMessages& handler) : handler_(handler) {
    const std::string host(service_host_name());
    controls_ = {
        {-1, "STATIC", "Сервер: " + host + " (зашит в плагин)", 0, false},
        {kIdcAuth, "BUTTON", "Request authorization", 0, false},
        {kIdcEnableScrobbling, "BUTTON", "Enable scrobbling", 0, true},
        {kIdcEnableNowPlaying, "BUTTON", "Enable now playing", 0, true},
        {-1, "STATIC",
         "1. Request authorization (откроется браузер)  2. Разрешить на " + host +
             "  3. Complete authorization",
         0, false},
    };
  }

  std::size_t control_count() override { return controls_.size(); }
  control control_at(std::size_t index) override {
    const Control& c = controls_.at(index);
    return {c.id, c.window_class, c.text.c_str(), c.check_state};
  }
  void click(int id) override;

  Control* find(int id) {
    const auto it = std::find_if(controls_.begin(), controls_.end(),
                                 [id](const Control& c) { return c.id == id; });
    return it == controls_.end() ? nullptr : &*it;
  }

  DialogMessages& handler() { return handler_; }
  std::deque<Posted>& queue() { return queue_; }  // guarded by the registry's mutex

 private:
  DialogMessages& handler_;
  std::vector<Control> controls_;
  std::deque<Posted> queue_;
};

// The windows that exist, and their message queues; posting comes from any thread.
std::mutex g_mutex;
std::set<HeadlessDialog*>& live_windows() {
  static std::set<HeadlessDialog*> windows;
  return windows;
}

HeadlessDialog* as_dialog(WindowHandle window) {
  return static_cast<HeadlessDialog*>(window);
}

// Hands `window` its oldest posted message, on the main thread.
void deliver_one(HeadlessDialog* window) {
  Posted posted{};
  {
    const std::lock_guard lock(g_mutex);
    if (!live_windows().contains(window) || window->queue().empty()) {
      return;  // destroyed, or the message was taken back
    }
    posted = window->queue().front();
    window->queue().pop_front();
  }
  std::intptr_t result = 0;
  window->handler().on_message(window, posted.message, posted.wparam, posted.lparam, result);
}

void HeadlessDialog::click(int id) {
  Control* clicked = find(id);
  if (clicked == nullptr) {
    return;
  }
  if (clicked->auto_check_box) {
    clicked->check_state = clicked->check_state == kBstChecked ? kBstUnchecked : kBstChecked;
  }
  post_message(this, kWmCommand,
               static_cast<std::uintptr_t>(static_cast<std::uint16_t>(id)) |
                   (std::uintptr_t{kBnClicked} << 16U),
               0);
}

}  // namespace

WindowHandle create_preferences_dialog(WindowHandle /*parent*/, DialogMessages& handler,
                                       std::uint32_t& /*error*/) {
  auto* window = new HeadlessDialog(handler);
  {
    const std::lock_guard lock(g_mutex);
    live_windows().insert(window);
  }
  std::intptr_t result = 0;
  handler.on_message(window, kWmInitDialog, 0, 0, result);
  return window;
}

void destroy_window(WindowHandle window) {
  if (!is_window(window)) {
    return;
  }
  HeadlessDialog* dialog = as_dialog(window);
  std::intptr_t result = 0;
  dialog->handler().on_message(dialog, kWmDestroy, 0, 0, result);
  {
    const std::lock_guard lock(g_mutex);
    live_windows().erase(dialog);
  }
  delete dialog;
}

bool is_window(WindowHandle window) {
  const std::lock_guard lock(g_mutex);
  return live_windows().contains(as_dialog(window));
}

bool post_message(WindowHandle window, unsigned message, std::uintptr_t wparam,
                  std::intptr_t lparam) {
  HeadlessDialog* dialog = as_dialog(window);
  {
    const std::lock_guard lock(g_mutex);
    if (!live_windows().contains(dialog)) {
      return false;
    }
    dialog->queue().push_back({message, wparam, lparam});
  }
  run_in_main_thread([dialog] { deliver_one(dialog); });
  return true;
}

bool remove_posted_message(WindowHandle window, unsigned message, std::intptr_t& lparam) {
  HeadlessDialog* dialog = as_dialog(window);
  const std::lock_guard lock(g_mutex);
  if (!live_windows().contains(dialog)) {
    return false;
  }
  auto& queue = dialog->queue();
  const auto it = std::find_if(queue.begin(), queue.end(),
                               [message](const Posted& p) { return p.message == message; });
  if (it == queue.end()) {
    return false;
  }
  lparam = it->lparam;
  queue.erase(it);
  return true;
}

int button_check(WindowHandle dialog, int control) {
  const auto* found = as_dialog(dialog)->find(control);
  return found == nullptr ? kBstUnchecked : found->check_state;
}

void set_button_check(WindowHandle dialog, int control, int state) {
  if (auto* found = as_dialog(dialog)->find(control)) {
    found->check_state = state;
  }
}

void set_control_text(WindowHandle dialog, int control, const std::string& utf8) {
  if (auto* found = as_dialog(dialog)->find(control)) {
    found->text = utf8;
  }
}

bool open_in_browser(const std::string& url) {
  // $BROWSER (its first entry) or xdg-open, started directly with the URL as its one argument:
  // no shell ever sees the URL.
  const char* configured = std::getenv("BROWSER");  // NOLINT(concurrency-mt-unsafe): main thread
  std::string program = configured != nullptr && *configured != '\0' ? configured : "xdg-open";
  program = program.substr(0, program.find(':'));
  std::vector<char> program_arg(program.begin(), program.end());
  program_arg.push_back('\0');
  std::vector<char> url_arg(url.begin(), url.end());
  url_arg.push_back('\0');
  char* argv[] = {program_arg.data(), url_arg.data(), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv, environ) != 0) {
    return false;
  }
  // Reap the browser command whenever it ends, without holding up the dialog.
  run_in_thread([child] {
    int status = 0;
    waitpid(child, &status, 0);
  });
  return true;
}

}  // namespace foo_brivanto
