// The support code's rules at the library boundary: reference counts and service queries, the
// by-value service argument, the factory list as the player reads it, what every slot does with
// an exception, the gate on main-thread tasks, and background threads.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <future>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "player/host/file_info_impl.h"
#include "player/host/track.h"
#include "sdk/abi.h"
#include "sdk/main_thread.h"
#include "sdk/play_callback.h"
#include "sdk/preferences_page.h"
#include "sdk/threads.h"
#include "tests/support/attached_host.h"

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

// References held on `object` besides one of the caller's.
int others(service_base& object) {
  object.service_add_ref();
  return object.service_release() - 1;
}

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

// A by-value service argument carries exactly one reference, which the callee adopts; one that
// is never passed gives its reference back. Its shape is a pointer (x86) or the address of one.
TEST(ServiceArgTest, CarriesOneReferenceForTheCalleeToAdopt) {
  static_assert(std::is_trivially_copyable_v<service_arg<main_thread_callback>>);
  static_assert(sizeof(service_arg<main_thread_callback>) == sizeof(void*));
  bool destroyed = false;
  const service_ptr_t<main_thread_callback> task = service_new<Counted>(destroyed);
  const auto callee = [&](service_arg<main_thread_callback> arg) {
    EXPECT_EQ(arg.object(), task.get());
    EXPECT_EQ(others(*task), 1);  // the one the argument carries
    const service_ptr_t<main_thread_callback> adopted = arg.adopt();
    EXPECT_EQ(others(*task), 1);  // adopting takes no new one
  };
  callee(service_arg_source(task));
  EXPECT_EQ(others(*task), 0);
  { const service_arg_source unused(task); }
  EXPECT_EQ(others(*task), 0);
  EXPECT_FALSE(destroyed);
}

class Callback : public preferences_page_callback {
 public:
  void on_state_changed() override {}

 protected:
  ~Callback() = default;
};

class Page : public preferences_page_impl {
 protected:
  ~Page() = default;
  const char* page_name() override { throw std::runtime_error("no name today"); }
  GUID page_guid() override { return {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}}; }
  GUID parent_guid() override { throw std::bad_alloc(); }
  service_ptr_t<preferences_page_instance> create_instance(
      window_handle /*parent*/, service_ptr_t<preferences_page_callback> callback) override {
    last_callback = callback.get();
    return nullptr;
  }

 public:
  preferences_page_callback* last_callback = nullptr;
};

// The player reads a factory's fields itself, and finds a page under the first generation's
// GUID; a class returned by value comes back through the result pointer it gave; nothing thrown
// leaves a slot: the player gets the slot's answer for failure, and the console says why.
TEST(BoundaryTest, FactoriesPagesAndExceptionsAsThePlayerMeetsThem) {
  brivanto_test::AttachedHost host;
  static preferences_page_factory_t<Page> factory;
  const void* fields[3] = {};
  std::memcpy(fields, &factory, sizeof fields);
  EXPECT_EQ(fields[1], static_cast<const void*>(factory.get_next()));
  EXPECT_EQ(*static_cast<const GUID*>(fields[2]), preferences_page::class_guid);

  service_ptr listed;
  factory.instance_create(listed);
  auto* page = static_cast<preferences_page_v3*>(listed.get());  // NOLINT(*-downcast)
  GUID guid{};
  EXPECT_EQ(page->get_guid(&guid), &guid);
  EXPECT_EQ(guid, (GUID{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}}));
  EXPECT_EQ(page->get_parent_guid(&guid), &guid);
  EXPECT_EQ(guid, GUID{});
  EXPECT_STREQ(page->get_name(), "");
  const service_ptr_t<preferences_page_callback> callback = service_new<Callback>();
  auto* instance = reinterpret_cast<preferences_page_instance*>(&guid);  // not yet written
  EXPECT_EQ(page->instantiate(&instance, nullptr, service_arg_source(callback)), &instance);
  EXPECT_EQ(instance, nullptr);
  EXPECT_EQ(static_cast<Page*>(page)->last_callback, callback.get());  // NOLINT(*-downcast)
  EXPECT_EQ(others(*callback), 0);  // the page let go of what it adopted
  EXPECT_EQ(
      host->console().lines(),
      (std::vector<std::string>{"foo_brivanto: internal error in get_parent_guid: std::bad_alloc",
                                "foo_brivanto: internal error in get_name: no name today"}));
}

// What a slot of the support code hands on to the component's code throws: as a tracker or a
// page with a fault would.
[[noreturn]] void fail(const char* hook) {
  throw std::runtime_error(std::string(hook) + " failed");
}

class ThrowingCallback final : public play_callback_impl_base {
 public:
  ThrowingCallback() : play_callback_impl_base(~0U) {}
  ~ThrowingCallback() = default;

 protected:
  void on_new_track(const metadb_handle_ptr& /*track*/) override { fail("on_new_track"); }
  void on_stop(play_control::t_stop_reason /*reason*/) override { fail("on_stop"); }
  void on_seek(double /*time*/) override { fail("on_seek"); }
  void on_pause(bool /*paused*/) override { fail("on_pause"); }
  void on_edited(const metadb_handle_ptr& /*track*/) override { fail("on_edited"); }
  void on_dynamic_info(const file_info& /*info*/) override { fail("on_dynamic_info"); }
  void on_time(double /*time*/) override { fail("on_time"); }
};

class ThrowingPage : public preferences_page_impl {
 protected:
  ~ThrowingPage() = default;
  const char* page_name() override { fail("page_name"); }
  GUID page_guid() override { fail("page_guid"); }
  GUID parent_guid() override { fail("parent_guid"); }
  bool help_url(pfc::string_base& /*out*/) override { fail("help_url"); }
  double sort_priority() override { fail("sort_priority"); }
  service_ptr_t<preferences_page_instance> create_instance(
      window_handle /*parent*/, service_ptr_t<preferences_page_callback> /*callback*/) override {
    fail("create_instance");
  }
};

std::string text(const GUID& guid) {
  return guid == GUID{} ? "no GUID" : "a GUID";
}

// Every slot of the support code that runs the component's code stops what that code throws:
// the player gets the slot's answer for failure, and the console says where and why. The slots
// that run none (on_playback_starting, on_playback_dynamic_info_track, on_volume_change, and the
// page's create, reset_query and reset) have nothing to stop.
TEST(BoundaryTest, EverySlotOfTheSupportCodeStopsWhatTheComponentThrows) {
  brivanto_test::AttachedHost host;
  ThrowingCallback events;
  service_ptr listed;
  static preferences_page_factory_t<ThrowingPage> factory;
  factory.instance_create(listed);
  auto* page = static_cast<preferences_page_v3*>(listed.get());  // NOLINT(*-downcast)
  fbplayer::file_info_impl info;
  const metadb_handle_ptr track = service_new<fbplayer::Track>(info);
  const service_ptr_t<preferences_page_callback> callback = service_new<Callback>();
  GUID guid{1, 2, 3, {}};
  pfc::string8 url;
  const struct {
    const char* slot;
    const char* hook;
    std::function<std::string()> call;  // the slot's answer
    const char* answer;
  } slots[] = {
      {"on_playback_new_track", "on_new_track",
       [&] { return events.on_playback_new_track(service_arg_source(track)), ""; }, ""},
      {"on_playback_stop", "on_stop",
       [&] { return events.on_playback_stop(play_control::stop_reason_user), ""; }, ""},
      {"on_playback_seek", "on_seek", [&] { return events.on_playback_seek(1), ""; }, ""},
      {"on_playback_pause", "on_pause", [&] { return events.on_playback_pause(true), ""; }, ""},
      {"on_playback_edited", "on_edited",
       [&] { return events.on_playback_edited(service_arg_source(track)), ""; }, ""},
      {"on_playback_dynamic_info", "on_dynamic_info",
       [&] { return events.on_playback_dynamic_info(info), ""; }, ""},
      {"on_playback_time", "on_time", [&] { return events.on_playback_time(1), ""; }, ""},
      {"get_name", "page_name", [&] { return std::string(page->get_name()); }, ""},
      {"get_guid", "page_guid", [&] { return text(*page->get_guid(&guid)); }, "no GUID"},
      {"get_parent_guid", "parent_guid", [&] { return text(*page->get_parent_guid(&guid)); },
       "no GUID"},
      {"get_help_url", "help_url", [&] { return std::to_string(page->get_help_url(url)); }, "0"},
      {"get_sort_priority", "sort_priority",
       [&] { return std::to_string(page->get_sort_priority()); }, "0.000000"},
      {"instantiate", "create_instance",
       [&] {
         preferences_page_instance* instance = nullptr;
         page->instantiate(&instance, nullptr, service_arg_source(callback));
         return std::to_string(instance == nullptr) + std::to_string(others(*callback));
       },
       "10"},
      {"callback_run", "task",
       [&] {
         run_in_main_thread([] { fail("task"); });
         return std::to_string(host->main_thread().run_pending()), "";
       },
       ""},
  };
  for (const auto& s : slots) {
    host->console().clear();
    EXPECT_EQ(s.call(), s.answer) << s.slot;
    EXPECT_EQ(host->console().lines(),
              std::vector<std::string>{"foo_brivanto: internal error in " + std::string(s.slot) +
                                       ": " + s.hook + " failed"});
    EXPECT_EQ(others(*track), 0);  // the slots let go of what they adopted
  }
}

// Tasks queued once the component has stopped them are dropped unrun and freed; started again,
// tasks run.
TEST(MainThreadTest, StoppedTasksAreDroppedAndFreed) {
  brivanto_test::AttachedHost host;
  std::string ran;
  auto owned = std::make_shared<int>(0);
  stop_main_thread_tasks();
  run_in_main_thread([&ran, owned] { ran += "stopped "; });
  start_main_thread_tasks();
  run_in_main_thread([&ran, owned] { ran += "started"; });
  EXPECT_EQ(owned.use_count(), 2);  // the dropped task is gone already
  host->main_thread().run_pending();
  EXPECT_EQ(ran, "started");
  EXPECT_EQ(owned.use_count(), 1);
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
