#include "player/host/main_thread_queue.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace fbplayer {

MainThreadQueue::MainThreadQueue() : main_thread_(std::this_thread::get_id()) {}

MainThreadQueue::~MainThreadQueue() = default;

void MainThreadQueue::add_callback(service_arg<main_thread_callback> callback) {
  service_ptr_t<main_thread_callback> task = callback.adopt();
  {
    const std::lock_guard lock(mutex_);
    queue_.push_back(std::move(task));
  }
  arrived_.raise();
}

std::size_t MainThreadQueue::run_pending() {
  if (!is_main_thread()) {
    std::fputs("fbplayer: main-thread tasks run from another thread\n", stderr);
    std::abort();
  }
  MainThreadSignal::dispatch_window_messages();
  std::deque<service_ptr_t<main_thread_callback>> batch;
  {
    const std::lock_guard lock(mutex_);
    batch.swap(queue_);
  }
  for (const auto& callback : batch) {
    callback->callback_run();
  }
  return batch.size();
}

bool MainThreadQueue::run_until(const std::function<bool()>& done, Clock::time_point deadline) {
  for (;;) {
    run_pending();
    if (done()) {
      return true;
    }
    if (Clock::now() >= deadline) {
      return false;
    }
    arrived_.wait_until(deadline);
  }
}

void MainThreadQueue::wake() {
  arrived_.raise();
}

std::size_t MainThreadQueue::pending() const {
  const std::lock_guard lock(mutex_);
  return queue_.size();
}

}  // namespace fbplayer
