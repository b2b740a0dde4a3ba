// The stand-in player's main thread: the one thread on which every host callback and every
// queued main-thread task runs. Tasks may be queued from any thread; only the main thread (the
// thread that created the queue) runs them, when the player or a test says so. Where there are
// windows, the main thread's window messages are dispatched along with the tasks.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "player/host/main_thread_signal.h"
#include "sdk/main_thread.h"

namespace fbplayer {

class MainThreadQueue : public main_thread_callback_manager {
 public:
  using Clock = std::chrono::steady_clock;

  MainThreadQueue();

  // Adopts the reference the argument carries. Any thread.
  void add_callback(service_arg<main_thread_callback> callback) override;

  bool is_main_thread() const { return std::this_thread::get_id() == main_thread_; }

  // Dispatches the window messages waiting for the main thread, then runs, in order, the tasks
  // queued so far; tasks that they queue wait for the next call. Returns how many tasks ran.
  // Main thread only.
  std::size_t run_pending();

  // Runs tasks and dispatches window messages as they arrive until `done()` holds or
  // `deadline` passes. `done()` is checked after every round and whenever wake() is called.
  // Returns its last answer. Main thread only.
  bool run_until(const std::function<bool()>& done, Clock::time_point deadline);

  // Makes a waiting run_until check its condition again; callable from any thread. The host
  // calls it on events that a waiter may be watching for (such as console lines).
  void wake();

  std::size_t pending() const;

 protected:
  ~MainThreadQueue();  // tasks still queued are released without running

 private:
  const std::thread::id main_thread_;
  mutable std::mutex mutex_;
  std::deque<service_ptr_t<main_thread_callback>> queue_;
  MainThreadSignal arrived_;  // raised for each task queued and by wake()
};

}  // namespace fbplayer
