#include <windows.h>

#include <gtest/gtest.h>

#include <future>
#include <memory>

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
