#include <windows.h>

#include <memory>
#include <new>
#include <utility>

#include "sdk/threads.h"

namespace {

struct ThreadStart {
  std::function<void()> task;
  HMODULE module = nullptr;  // the reference this thread holds on the module of this code
};

DWORD WINAPI thread_main(LPVOID parameter) {
  HMODULE module = nullptr;
  {
    const std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
    module = start->module;
    try {
      start->task();
    } catch (...) {  // NOLINT(bugprone-empty-catch): last resort, see threads.h
    }
  }  // the task and what it owns go while the module is surely still here
  // Drops the thread's reference and ends the thread without returning into the module,
  // which may be unloaded by the drop.
  FreeLibraryAndExitThread(module, 0);
}

}  // namespace

bool run_in_thread(std::function<void()> task) {
  auto start = std::unique_ptr<ThreadStart>(new (std::nothrow) ThreadStart{std::move(task)});
  if (!start) {
    return false;
  }
  // A new reference on the module that holds this code (the component's DLL, or the program
  // that links it).
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                         reinterpret_cast<LPCWSTR>(&thread_main),  // NOLINT: an address, not text
                         &start->module) == FALSE) {
    return false;
  }
  const HMODULE module = start->module;
  // Created suspended, so that it runs at the caller's priority from its first instruction.
  HANDLE thread = CreateThread(nullptr, 0, thread_main, start.get(), CREATE_SUSPENDED, nullptr);
  if (thread == nullptr) {
    FreeLibrary(module);  // the caller runs in this module: the drop cannot unload it
    return false;
  }
  start.release();  // NOLINT(bugprone-unused-return-value): the thread owns it now
  SetThreadPriority(thread, GetThreadPriority(GetCurrentThread()));
  ResumeThread(thread);
  CloseHandle(thread);
  return true;
}
