#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

#include "sdk/main_thread.h"
#include "sdk/threads.h"

namespace {

class Counted : public main_thread_callback {
 public:
  explicit Counted(bool& destroyed) : destroyed_(destroyed) {}
  void callback_run() override {}

 protected:
  ~Counted() { destroyed_ = true; }

 private:
  bool& destroyed_;
};

// An object lives as long as its last reference, and answers for the interfaces it implements
// and no other.
TEST(ServiceTest, LivesAsLongAsItsLastReferenceAndAnswersForItsInterfaces) {
  bool destroyed = false;
  service_ptr_t<Counted> first = service_new<Counted>(destroyed);
  service_ptr_t<main_thread_callback> second = first;
  for (const GUID& guid :
       {main_thread_callback::class_guid, main_thread_callback_manager::class_guid}) {
    service_ptr out;
    const bool own = guid == main_thread_callback::class_guid;
    EXPECT_EQ(second->service_query(out, guid), own);
    EXPECT_EQ(out.get(), own ? static_cast<service_base*>(first.get()) : nullptr);
  }
  first.release();
  EXPECT_FALSE(destroyed);
  second = nullptr;
  EXPECT_TRUE(destroyed);
}

// A task runs once on a thread of its own, after the call has returned; an exception escaping
// one task ends that task only.
TEST(RunInThreadTest, RunsTheTaskOnAnotherThreadWithoutWaitingForIt) {
  // The throwing task is destroyed once its exception has been caught; the test waits for that,
  // since a program that ends with an exception in flight on another thread can die of it (on
  // 32-bit Windows the unwinder's tables go with the program's static objects).
  auto destroyed = std::make_shared<std::promise<void>>();
  auto task_destroyed = destroyed->get_future();
  std::shared_ptr<void> owned_by_task(nullptr, [destroyed](void*) { destroyed->set_value(); });
  ASSERT_TRUE(run_in_thread([owned_by_task] { throw std::runtime_error("task failed"); }));
  owned_by_task.reset();
  ASSERT_EQ(task_destroyed.wait_for(std::chrono::seconds(30)), std::future_status::ready);
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
