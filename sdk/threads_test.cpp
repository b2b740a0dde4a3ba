#include "sdk/threads.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;
constexpr auto kDeadline = 30s;

TEST(RunInThreadTest, RunsTheTaskOnceOnAnotherThreadWithoutWaitingForIt) {
  auto release = std::make_shared<std::promise<void>>();
  auto ran_on = std::make_shared<std::promise<std::thread::id>>();
  auto ran = ran_on->get_future();
  auto released = release->get_future().share();

  ASSERT_TRUE(run_in_thread([released, ran_on] {
    released.wait();  // the caller must already have got control back
    ran_on->set_value(std::this_thread::get_id());
  }));
  release->set_value();

  ASSERT_EQ(ran.wait_for(kDeadline), std::future_status::ready);
  EXPECT_NE(ran.get(), std::this_thread::get_id());
}

TEST(RunInThreadTest, AnEscapingExceptionEndsOnlyItsTask) {
  // The throwing task is destroyed once its exception has been caught. The test waits for that:
  // a program that ends while an exception is in flight on another thread can die of it (on
  // 32-bit Windows the unwinder's tables go with the program's static objects).
  auto destroyed = std::make_shared<std::promise<void>>();
  auto task_destroyed = destroyed->get_future();
  std::shared_ptr<void> owned_by_task(nullptr, [destroyed](void*) { destroyed->set_value(); });
  ASSERT_TRUE(run_in_thread([owned_by_task] { throw std::runtime_error("task failed"); }));
  owned_by_task.reset();
  EXPECT_EQ(task_destroyed.wait_for(kDeadline), std::future_status::ready);

  auto done = std::make_shared<std::promise<void>>();
  auto finished = done->get_future();
  ASSERT_TRUE(run_in_thread([done] { done->set_value(); }));
  EXPECT_EQ(finished.wait_for(kDeadline), std::future_status::ready);
}

}  // namespace
