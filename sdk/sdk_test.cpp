#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

#include "sdk/file_info.h"
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

// Metadata keeps every value of a name in order, names match in any letter case; technical
// information holds one value per name; a copy replaces everything in its target.
TEST(FileInfoTest, LooksUpCopiedMetadataAndTechnicalInformation) {
  file_info_impl source;
  source.meta_add("Artist", "A1");
  source.meta_add("ARTIST", "A2");
  source.info_set("codec", "first");
  source.info_set("Codec", "second");
  file_info_impl info;
  info.meta_add("album", "stale");
  info.info_set("bitrate", "stale");
  source.copy_to(info);
  const struct {
    const char* name;
    std::size_t index, count;
    const char *meta, *technical;
  } cases[] = {
      {"artist", 0, 2, "A1", nullptr},    {"artist", 1, 2, "A2", nullptr},
      {"artist", 2, 2, nullptr, nullptr}, {"CODEC", 0, 0, nullptr, "second"},
      {"album", 0, 0, nullptr, nullptr},  {"bitrate", 0, 0, nullptr, nullptr},
  };
  const auto text = [](const char* s) { return std::string(s == nullptr ? "(none)" : s); };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "[" + std::to_string(c.index) + "]");
    EXPECT_EQ(info.meta_get_count_by_name(c.name), c.count);
    EXPECT_EQ(text(info.meta_get(c.name, c.index)), text(c.meta));
    EXPECT_EQ(text(info.info_get(c.name)), text(c.technical));
  }
}

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
