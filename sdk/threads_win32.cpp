#include <process.h>
#include <windows.h>

#include <memory>
#include <new>
#include <utility>

#include "sdk/threads.h"

namespace {

unsigned __stdcall thread_main(void* parameter) {
  const std::unique_ptr<std::function<void()>> task(static_cast<std::function<void()>*>(parameter));
  try {
    (*task)();
  } catch (...) {  // NOLINT(bugprone-empty-catch): last resort, see threads.h
  }
  return 0;
}

}  // namespace

bool run_in_thread(std::function<void()> task) {
  auto* parameter = new (std::nothrow) std::function<void()>(std::move(task));
  if (parameter == nullptr) {
    return false;
  }
  // _beginthreadex rather than CreateThread, so the C runtime is set up for the new thread.
  // The thread starts suspended so that it runs at the caller's priority from its first
  // instruction.
  const uintptr_t handle =
      _beginthreadex(nullptr, 0, thread_main, parameter, CREATE_SUSPENDED, nullptr);
  if (handle == 0) {
    delete parameter;
    return false;
  }
  // _beginthreadex gives the thread's HANDLE as an integer.
  auto* const thread = reinterpret_cast<HANDLE>(handle);  // NOLINT(performance-no-int-to-ptr)
  SetThreadPriority(thread, GetThreadPriority(GetCurrentThread()));
  ResumeThread(thread);
  CloseHandle(thread);
  return true;
}
