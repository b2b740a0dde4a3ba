// run_in_thread for test programs that hold tasks (held_tasks.h). The linker takes this
// definition in place of the support code's, which it then never pulls from its library.
#include "tests/support/held_tasks.h"

#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "sdk/threads.h"

namespace {

std::mutex g_mutex;
brivanto_test::HeldTasks* g_holder = nullptr;  // the one holding tasks now, if any

bool start(std::function<void()> task) {
  try {
    std::thread([task = std::move(task)]() noexcept {
      try {
        task();
      } catch (...) {  // NOLINT(bugprone-empty-catch): as the support code's run_in_thread
      }
    }).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace

bool run_in_thread(std::function<void()> task) {
  return brivanto_test::HeldTasks::hold(task) || start(std::move(task));
}

namespace brivanto_test {

HeldTasks::HeldTasks() {
  const std::lock_guard lock(g_mutex);
  g_holder = this;
}

HeldTasks::~HeldTasks() {
  release();
}

std::size_t HeldTasks::count() const {
  const std::lock_guard lock(g_mutex);
  return held_.size();
}

void HeldTasks::release() {
  std::vector<std::function<void()>> held;
  {
    const std::lock_guard lock(g_mutex);
    g_holder = g_holder == this ? nullptr : g_holder;
    held.swap(held_);
  }
  for (auto& task : held) {
    start(std::move(task));
  }
}

bool HeldTasks::hold(std::function<void()>& task) {
  const std::lock_guard lock(g_mutex);
  if (g_holder == nullptr) {
    return false;
  }
  g_holder->held_.push_back(std::move(task));
  return true;
}

}  // namespace brivanto_test
