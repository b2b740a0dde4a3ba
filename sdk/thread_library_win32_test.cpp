// A library whose one export starts a background thread that waits for an event: the test of
// run_in_thread loads it, starts the thread, lets the library go and watches it stay loaded
// until the thread ends.
#include <windows.h>

#include "sdk/threads.h"

namespace {

HANDLE g_unloaded = nullptr;  // set when the library is unloaded

}  // namespace

// Starts a thread that sets `started`, then waits for `release`. The library sets `unloaded`
// once the system unloads it.
extern "C" __declspec(dllexport) bool start_waiting_thread(HANDLE started, HANDLE release,
                                                           HANDLE unloaded) {
  g_unloaded = unloaded;
  return run_in_thread([started, release] {
    SetEvent(started);
    WaitForSingleObject(release, INFINITE);
  });
}

extern "C" BOOL WINAPI DllMain(HINSTANCE /*module*/, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_DETACH && g_unloaded != nullptr) {
    SetEvent(g_unloaded);
  }
  return TRUE;
}
