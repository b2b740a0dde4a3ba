// Background tasks held before they run, for tests of what a task does with what it was given
// when the world changes between its dispatch and its start.
//
// A test program that links held_tasks.cpp gets its run_in_thread in place of the support
// code's: each task runs on a detached thread of its own, as there, except while a HeldTasks
// exists, which keeps the tasks it is given until release().
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

namespace brivanto_test {

class HeldTasks {
 public:
  HeldTasks();
  // Releases what is still held.
  ~HeldTasks();
  HeldTasks(const HeldTasks&) = delete;
  HeldTasks& operator=(const HeldTasks&) = delete;

  // Tasks held so far.
  std::size_t count() const;
  // Starts every held task, each on its own thread; tasks dispatched from now on start at once.
  void release();

  // run_in_thread's side: keeps `task` when tasks are being held, and then returns true.
  static bool hold(std::function<void()>& task);

 private:
  std::vector<std::function<void()>> held_;  // guarded by the mutex of held_tasks.cpp
};

}  // namespace brivanto_test
