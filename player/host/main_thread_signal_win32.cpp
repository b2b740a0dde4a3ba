#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "player/host/main_thread_signal.h"

namespace fbplayer {

struct MainThreadSignal::State {
  HANDLE event = nullptr;  // auto-reset: one wait consumes one raise
};

MainThreadSignal::MainThreadSignal() : state_(std::make_unique<State>()) {
  state_->event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (state_->event == nullptr) {
    std::fprintf(stderr, "fbplayer: cannot create the main thread's event (Windows error %lu)\n",
                 GetLastError());
    std::abort();
  }
}

MainThreadSignal::~MainThreadSignal() {
  CloseHandle(state_->event);
}

void MainThreadSignal::raise() {
  SetEvent(state_->event);
}

void MainThreadSignal::wait_until(std::chrono::steady_clock::time_point deadline) {
  using std::chrono::milliseconds;
  const auto left = std::chrono::ceil<milliseconds>(deadline - std::chrono::steady_clock::now());
  const auto timeout = std::clamp<milliseconds::rep>(left.count(), 0, INFINITE - 1);
  // MWMO_INPUTAVAILABLE: input already in the queue counts too, not only input that arrived
  // since the thread last looked.
  MsgWaitForMultipleObjectsEx(1, &state_->event, static_cast<DWORD>(timeout), QS_ALLINPUT,
                              MWMO_INPUTAVAILABLE);
}

void MainThreadSignal::dispatch_window_messages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace fbplayer
