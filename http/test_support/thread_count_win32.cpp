// Thread counts on Windows, from a Toolhelp snapshot.
#include <windows.h>
// After windows.h, whose types it uses.
#include <tlhelp32.h>

#include "http/test_support/thread_count.h"

namespace foo_brivanto {

int process_thread_count() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    count += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
  }
  CloseHandle(snapshot);
  return count;
}

bool pending_calls_end_at_limit() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr;
}

}  // namespace foo_brivanto
