#include "sdk/service.h"

#include <gtest/gtest.h>

namespace {

class base_interface : public service_base {
 public:
  static constexpr GUID class_guid = {1, 2, 3, {4, 4, 4, 4, 4, 4, 4, 4}};
  using service_parent = service_base;

 protected:
  ~base_interface() = default;
};

class derived_interface : public base_interface {
 public:
  static constexpr GUID class_guid = {5, 6, 7, {8, 8, 8, 8, 8, 8, 8, 8}};
  using service_parent = base_interface;

 protected:
  ~derived_interface() = default;
};

class Counted : public derived_interface {
 public:
  explicit Counted(bool& destroyed) : destroyed_(destroyed) {}

 protected:
  ~Counted() { destroyed_ = true; }

 private:
  bool& destroyed_;
};

// An object lives as long as its last reference, and answers for every interface it
// implements, up its parent chain, and for no other.
TEST(ServiceTest, LivesAsLongAsItsLastReferenceAndAnswersForItsInterfaces) {
  bool destroyed = false;
  service_ptr_t<Counted> first = service_new<Counted>(destroyed);
  service_ptr_t<base_interface> second = first;
  const struct {
    GUID guid;
    bool found;
  } cases[] = {{derived_interface::class_guid, true},
               {base_interface::class_guid, true},
               {{5, 6, 7, {8, 8, 8, 8, 8, 8, 8, 9}}, false}};
  for (const auto& c : cases) {
    service_ptr out;
    EXPECT_EQ(second->service_query(out, c.guid), c.found);
    EXPECT_EQ(out.get(), c.found ? static_cast<service_base*>(first.get()) : nullptr);
  }
  first.release();
  EXPECT_FALSE(destroyed);
  second = nullptr;
  EXPECT_TRUE(destroyed);
}

}  // namespace
