#include <windows.h>

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <string>

#include "sdk/threads.h"

namespace {

TEST(RunInThreadWin32Test, TaskRunsAtTheCallersPriority) {
  const int original = GetThreadPriority(GetCurrentThread());
  for (const int priority : {THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_ABOVE_NORMAL}) {
    ASSERT_TRUE(SetThreadPriority(GetCurrentThread(), priority));
    auto seen = std::make_shared<std::promise<int>>();
    auto result = seen->get_future();
    ASSERT_TRUE(run_in_thread([seen] { seen->set_value(GetThreadPriority(GetCurrentThread())); }));
    ASSERT_EQ(result.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(result.get(), priority);
  }
  SetThreadPriority(GetCurrentThread(), original);
}

}  // namespace

namespace {

// The player may let the component's library go while a request is in flight: the thread keeps
// it loaded until it ends, and then lets it go.
TEST(RunInThreadWin32Test, AThreadKeepsItsLibraryLoadedUntilItEnds) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring library_path(path);
  library_path =
      library_path.substr(0, library_path.find_last_of(L"\\/") + 1) + L"sdk_thread_library.dll";
  HMODULE library = LoadLibraryW(library_path.c_str());
  ASSERT_NE(library, nullptr);
  using Start = bool (*)(HANDLE, HANDLE, HANDLE);
  auto start = reinterpret_cast<Start>(
      reinterpret_cast<void*>(GetProcAddress(library, "start_waiting_thread")));
  ASSERT_NE(start, nullptr);
  HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE unloaded = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(start(started, release, unloaded));
  ASSERT_EQ(WaitForSingleObject(started, 30000), WAIT_OBJECT_0);
  FreeLibrary(library);
  EXPECT_EQ(WaitForSingleObject(unloaded, 0), WAIT_TIMEOUT);
  EXPECT_NE(GetModuleHandleW(library_path.c_str()), nullptr);
  SetEvent(release);
  EXPECT_EQ(WaitForSingleObject(unloaded, 30000), WAIT_OBJECT_0);
  EXPECT_EQ(GetModuleHandleW(library_path.c_str()), nullptr);
  for (HANDLE event : {started, release, unloaded}) {
    CloseHandle(event);
  }
}

}  // namespace
