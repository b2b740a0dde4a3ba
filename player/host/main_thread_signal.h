// What the stand-in player's main thread waits on between its tasks, one implementation per
// platform: a condition variable (main_thread_signal_posix.cpp), or an event that the wait
// watches together with the thread's window messages (main_thread_signal_win32.cpp), so that
// windows the main thread owns, such as a preferences page, stay responsive while it waits.
#pragma once

#include <chrono>
#include <memory>

namespace fbplayer {

class MainThreadSignal {
 public:
  MainThreadSignal();
  ~MainThreadSignal();
  MainThreadSignal(const MainThreadSignal&) = delete;
  MainThreadSignal& operator=(const MainThreadSignal&) = delete;

  // Ends the main thread's current wait, or its next one if it is not waiting. Any thread.
  void raise();

  // Returns once raise() has been called since the previous wait returned, once window input
  // is waiting for the thread (where there are windows), or at `deadline`; possibly earlier.
  // Main thread.
  void wait_until(std::chrono::steady_clock::time_point deadline);

  // Dispatches the window messages waiting for the calling thread to their windows; nothing
  // where there are no windows. Main thread.
  static void dispatch_window_messages();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace fbplayer
