// The in-memory windows of builds without a window system: the preferences dialog built from
// the page's control table, and each window's queue of posted messages, delivered as
// main-thread tasks of the host. The host sees a window through sdk/headless_window.h.
#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "preferences/page_controls.h"
#include "preferences/window.h"
#include "sdk/headless_window.h"
#include "sdk/main_thread.h"

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
    PageControl shown;
    int check_state = kBstUnchecked;
    bool enabled = true;
  };

  // A dialog with the page's controls, its messages going to `handler`; or, without one, a
  // plain window showing `controls` alone.
  HeadlessDialog(WindowHandle handle, DialogMessages* handler, std::vector<PageControl> controls)
      : handle_(handle), handler_(handler) {
    for (PageControl& c : controls) {
      controls_.push_back({std::move(c)});
    }
  }

  std::size_t control_count() override { return controls_.size(); }
  control control_at(std::size_t index) override {
    const Control& c = controls_.at(index);
    return {c.shown.id, c.shown.window_class, c.shown.text.c_str(), c.check_state, c.enabled};
  }
  void click(int id) override;
  void set_question_answerer(headless_question_answerer* answerer) override {
    answerer_ = answerer;
  }
  headless_question_answerer* answerer() { return answerer_; }

  Control* find(int id) {
    const auto it = std::find_if(controls_.begin(), controls_.end(),
                                 [id](const Control& c) { return c.shown.id == id; });
    return it == controls_.end() ? nullptr : &*it;
  }

  // Null for a plain window.
  DialogMessages* handler() { return handler_; }
  // Guarded by g_mutex, like the registry: posting comes from any thread.
  std::deque<Posted> queue;
  bool closing = false;

 private:
  WindowHandle handle_;
  DialogMessages* handler_;
  headless_question_answerer* answerer_ = nullptr;
  std::vector<Control> controls_;
};

// The windows that exist, by handle. Handles count up and are never given out again. Kept
// for the process's life: a worker may still post while the process ends.
std::mutex g_mutex;
auto& g_windows = *new std::map<WindowHandle, std::unique_ptr<HeadlessDialog>>();
std::uint64_t g_last_handle = 0;

// The live window `handle` names, or null. Its controls belong to the main thread.
HeadlessDialog* find_window(WindowHandle handle) {
  const std::lock_guard lock(g_mutex);
  const auto it = g_windows.find(handle);
  return it == g_windows.end() ? nullptr : it->second.get();
}

// Hands the window its oldest posted message, on the main thread.
void deliver_one(WindowHandle handle) {
  HeadlessDialog* window = nullptr;
  Posted posted{};
  {
    const std::lock_guard lock(g_mutex);
    const auto it = g_windows.find(handle);
    if (it == g_windows.end() || it->second->queue.empty()) {
      return;  // destroyed, or the message was taken back
    }
    window = it->second.get();
    posted = window->queue.front();
    window->queue.pop_front();
  }
  std::intptr_t result = 0;
  window->handler()->on_message(handle, posted.message, posted.wparam, posted.lparam, result);
}

void HeadlessDialog::click(int id) {
  Control* clicked = find(id);
  if (clicked == nullptr || !clicked->enabled) {
    return;
  }
  if (clicked->shown.auto_check_box) {
    clicked->check_state = clicked->check_state == kBstChecked ? kBstUnchecked : kBstChecked;
  }
  post_message(handle_, kWmCommand,
               static_cast<std::uintptr_t>(static_cast<std::uint16_t>(id)) |
                   (std::uintptr_t{kBnClicked} << 16U),
               0);
}

// Makes a window with `controls`, its messages going to `handler` (none for a plain window).
WindowHandle add_window(DialogMessages* handler, std::vector<PageControl> controls) {
  const std::lock_guard lock(g_mutex);
  const WindowHandle handle{++g_last_handle};
  g_windows.emplace(handle, std::make_unique<HeadlessDialog>(handle, handler, std::move(controls)));
  return handle;
}

}  // namespace

WindowHandle create_preferences_dialog(void* /*parent*/, DialogMessages& handler,
                                       std::uint32_t& /*error*/) {
  const WindowHandle handle = add_window(&handler, page_controls());
  std::intptr_t result = 0;
  handler.on_message(handle, kWmInitDialog, 0, 0, result);
  return find_window(handle) != nullptr ? handle : kNoWindow;  // WM_INITDIALOG may destroy it
}

WindowHandle create_message_window(void* /*parent*/, const std::string& text) {
  return add_window(nullptr, {{-1, "STATIC", text, false, {0, 0, kPageWidth, kPageHeight}}});
}

void* host_window(WindowHandle window) {
  return static_cast<headless_window*>(find_window(window));
}

void destroy_window(WindowHandle window) {
  HeadlessDialog* dialog = find_window(window);
  if (dialog == nullptr) {
    return;
  }
  {
    const std::lock_guard lock(g_mutex);
    dialog->closing = true;  // no more posts: what is queued now is all the handler must free
  }
  std::intptr_t result = 0;
  if (dialog->handler() != nullptr) {
    dialog->handler()->on_message(window, kWmDestroy, 0, 0, result);
  }
  const std::lock_guard lock(g_mutex);
  g_windows.erase(window);
}

bool post_message(WindowHandle window, unsigned message, std::uintptr_t wparam,
                  std::intptr_t lparam) {
  {
    const std::lock_guard lock(g_mutex);
    const auto it = g_windows.find(window);
    if (it == g_windows.end() || it->second->closing || it->second->handler() == nullptr) {
      return false;
    }
    it->second->queue.push_back({message, wparam, lparam});
  }
  run_in_main_thread([window] { deliver_one(window); });
  return true;
}

bool remove_posted_message(WindowHandle window, unsigned message, std::intptr_t& lparam) {
  const std::lock_guard lock(g_mutex);
  const auto found = g_windows.find(window);
  if (found == g_windows.end()) {
    return false;
  }
  auto& queue = found->second->queue;
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
  HeadlessDialog* window = find_window(dialog);
  const auto* found = window == nullptr ? nullptr : window->find(control);
  return found == nullptr ? kBstUnchecked : found->check_state;
}

void set_button_check(WindowHandle dialog, int control, int state) {
  HeadlessDialog* window = find_window(dialog);
  if (auto* found = window == nullptr ? nullptr : window->find(control)) {
    found->check_state = state;
  }
}

void set_control_text(WindowHandle dialog, int control, const std::string& utf8) {
  HeadlessDialog* window = find_window(dialog);
  if (auto* found = window == nullptr ? nullptr : window->find(control)) {
    found->shown.text = utf8;
  }
}

void enable_control(WindowHandle dialog, int control, bool enabled) {
  HeadlessDialog* window = find_window(dialog);
  if (auto* found = window == nullptr ? nullptr : window->find(control)) {
    found->enabled = enabled;
  }
}

bool ask_yes_no(WindowHandle owner, const std::string& text, const std::string& title) {
  HeadlessDialog* window = find_window(owner);
  headless_question_answerer* answerer = window == nullptr ? nullptr : window->answerer();
  return answerer != nullptr && answerer->answer_question(title.c_str(), text.c_str());
}

}  // namespace foo_brivanto
