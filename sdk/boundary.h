// Nothing thrown may cross into the player: its compiler's exceptions and GCC's are different
// mechanisms, so an exception leaving a slot would unwind through frames that cannot handle it
// and end the player. Every slot the component implements runs its body through guarded(),
// which stops whatever the body throws, reports it to the console when it can, and returns the
// slot's answer for failure.
#pragma once

#include <utility>

namespace sdk_detail {

// Reports the exception being handled as one console line; never throws.
void report_stopped_exception(const char* slot) noexcept;

}  // namespace sdk_detail

// Runs `body` for the slot named `slot`; returns its result, or `on_failure` when it throws.
template <class R, class Body>
R guarded(const char* slot, R on_failure, Body&& body) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    sdk_detail::report_stopped_exception(slot);
    return on_failure;
  }
}

// Runs `body` for the slot named `slot`, stopping whatever it throws.
template <class Body>
void guarded(const char* slot, Body&& body) noexcept {
  try {
    std::forward<Body>(body)();
  } catch (...) {
    sdk_detail::report_stopped_exception(slot);
  }
}
