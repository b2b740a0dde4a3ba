#include "player/host/main_thread_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/support/attached_host.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(MainThreadQueueTest, RunsEachTaskOnceInOrderAndLeavesNewTasksForTheNextRound) {
  brivanto_test::AttachedHost host;
  std::vector<std::string> ran;
  run_in_main_thread([&] {
    ran.push_back("first");
    run_in_main_thread([&] { ran.push_back("queued by first"); });
  });
  run_in_main_thread([&] { ran.push_back("second"); });
  EXPECT_TRUE(ran.empty());  // nothing runs before the main thread asks

  EXPECT_EQ(host->main_thread().run_pending(), 2U);
  EXPECT_EQ(ran, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(host->main_thread().run_pending(), 1U);
  EXPECT_EQ(host->main_thread().run_pending(), 0U);
  EXPECT_EQ(ran.back(), "queued by first");
}

// The main thread's wait wakes for tasks and for console lines from other threads, and gives up
// at its deadline.
TEST(MainThreadQueueTest, RunUntilWakesForOtherThreadsAndGivesUpAtTheDeadline) {
  brivanto_test::AttachedHost host;
  auto& queue = host->main_thread();
  std::thread::id ran_on;
  std::thread task(
      [&ran_on] { run_in_main_thread([&ran_on] { ran_on = std::this_thread::get_id(); }); });
  EXPECT_TRUE(queue.run_until([&] { return ran_on != std::thread::id(); }, Clock::now() + 30s));
  EXPECT_EQ(ran_on, std::this_thread::get_id());
  std::thread line([] { console::print("printed by a worker"); });
  EXPECT_TRUE(queue.run_until([&] { return host->console().size() == 1; }, Clock::now() + 30s));
  EXPECT_FALSE(queue.run_until([] { return false; }, Clock::now() + 10ms));
  task.join();
  line.join();
}

}  // namespace
