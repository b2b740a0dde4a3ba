#include "player/host/main_thread_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/attached_host.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class MainThreadQueueTest : public ::testing::Test {
 protected:
  brivanto_test::AttachedHost host_;
  fbplayer::MainThreadQueue& queue_ = host_->main_thread();
};

TEST_F(MainThreadQueueTest, RunsEachTaskOnceInOrderAndLeavesNewTasksForTheNextRound) {
  std::vector<std::string> ran;
  run_in_main_thread([&] {
    ran.push_back("first");
    run_in_main_thread([&] { ran.push_back("queued by first"); });
  });
  run_in_main_thread([&] { ran.push_back("second"); });

  EXPECT_EQ(queue_.run_pending(), 2U);
  EXPECT_EQ(ran, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(queue_.run_pending(), 1U);
  EXPECT_EQ(queue_.run_pending(), 0U);
  EXPECT_EQ(ran, (std::vector<std::string>{"first", "second", "queued by first"}));
}

TEST_F(MainThreadQueueTest, RunUntilWaitsForTasksFromOtherThreads) {
  bool done = false;
  std::thread worker([&done] { run_in_main_thread([&done] { done = true; }); });
  EXPECT_TRUE(queue_.run_until([&done] { return done; }, Clock::now() + 30s));
  worker.join();
}

TEST_F(MainThreadQueueTest, RunUntilWakesForConsoleLinesPrintedElsewhere) {
  std::thread worker([] { console::print("printed by a worker"); });
  auto& console = host_->console();
  EXPECT_TRUE(
      queue_.run_until([&console] { return !console.lines().empty(); }, Clock::now() + 30s));
  worker.join();
}

TEST_F(MainThreadQueueTest, RunUntilGivesUpAtTheDeadline) {
  EXPECT_FALSE(queue_.run_until([] { return false; }, Clock::now() + 10ms));
}

}  // namespace
