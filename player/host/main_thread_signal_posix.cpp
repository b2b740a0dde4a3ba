#include <condition_variable>
#include <mutex>

#include "player/host/main_thread_signal.h"

namespace fbplayer {

struct MainThreadSignal::State {
  std::mutex mutex;
  std::condition_variable raised_changed;
  bool raised = false;
};

MainThreadSignal::MainThreadSignal() : state_(std::make_unique<State>()) {}

MainThreadSignal::~MainThreadSignal() = default;

void MainThreadSignal::raise() {
  {
    const std::lock_guard lock(state_->mutex);
    state_->raised = true;
  }
  state_->raised_changed.notify_all();
}

void MainThreadSignal::wait_until(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(state_->mutex);
  state_->raised_changed.wait_until(lock, deadline, [this] { return state_->raised; });
  state_->raised = false;
}

void MainThreadSignal::dispatch_window_messages() {}

}  // namespace fbplayer
