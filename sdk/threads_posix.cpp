#include <exception>
#include <system_error>
#include <thread>
#include <utility>

#include "sdk/threads.h"

bool run_in_thread(std::function<void()> task) {
  try {
    // New POSIX threads inherit the creator's scheduling policy and priority by default.
    std::thread([task = std::move(task)]() noexcept {
      try {
        task();
      } catch (...) {  // NOLINT(bugprone-empty-catch): last resort, see threads.h
      }
    }).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}
