#include "sdk/threads.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

namespace {

// A task runs once on a thread of its own, after the call has returned; an exception escaping
// one task ends that task only.
TEST(RunInThreadTest, RunsTheTaskOnAnotherThreadWithoutWaitingForIt) {
  ASSERT_TRUE(run_in_thread([] { throw std::runtime_error("task failed"); }));
  auto release = std::make_shared<std::promise<void>>();
  auto ran_on = std::make_shared<std::promise<std::thread::id>>();
  auto ran = ran_on->get_future();
  ASSERT_TRUE(run_in_thread([released = release->get_future().share(), ran_on] {
    released.wait();
    ran_on->set_value(std::this_thread::get_id());
  }));
  release->set_value();
  ASSERT_EQ(ran.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_NE(ran.get(), std::this_thread::get_id());
}

}  // namespace
