#include "sdk/main_thread.h"

#include <mutex>
#include <utility>

#include "sdk/boundary.h"
#include "sdk/core_api.h"

namespace {

class FunctionCallback : public main_thread_callback {
 public:
  explicit FunctionCallback(std::function<void()> task) : task_(std::move(task)) {}
  void callback_run() override {
    guarded("callback_run", [this] { task_(); });
  }

 protected:
  ~FunctionCallback() = default;

 private:
  std::function<void()> task_;
};

// Whether tasks may be handed to the player; held while one is handed over, so that stopping
// waits for a hand-over under way.
std::mutex g_gate;
bool g_stopped = false;

}  // namespace

void run_in_main_thread(std::function<void()> task) {
  const auto callback = service_new<FunctionCallback>(std::move(task));
  const std::lock_guard lock(g_gate);
  if (g_stopped) {
    return;
  }
  if (const auto manager = standard_api_get<main_thread_callback_manager>()) {
    manager->add_callback(service_arg_source<main_thread_callback>(callback));
  }
}

void stop_main_thread_tasks() {
  const std::lock_guard lock(g_gate);
  g_stopped = true;
}

void start_main_thread_tasks() {
  const std::lock_guard lock(g_gate);
  g_stopped = false;
}
