#include "sdk/service.h"

#include <gtest/gtest.h>

namespace {

class base_interface : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44}};
  using service_parent = service_base;
  virtual int value() const = 0;

 protected:
  ~base_interface() = default;
};

class derived_interface : public base_interface {
 public:
  static constexpr GUID class_guid = {
      0x55555555, 0x6666, 0x7777, {0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88}};
  using service_parent = base_interface;

 protected:
  ~derived_interface() = default;
};

class Counted : public derived_interface {
 public:
  explicit Counted(bool& destroyed) : destroyed_(destroyed) {}
  int value() const override { return 42; }

 protected:
  ~Counted() { destroyed_ = true; }

 private:
  bool& destroyed_;
};

TEST(ServiceTest, ObjectLivesAsLongAsItsLastReference) {
  bool destroyed = false;
  service_ptr_t<Counted> first = service_new<Counted>(destroyed);
  service_ptr_t<base_interface> second = first;  // converts and shares
  service_ptr_t<base_interface> third = std::move(second);
  EXPECT_FALSE(second);
  first.release();
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(third->value(), 42);
  third = nullptr;
  EXPECT_TRUE(destroyed);
}

TEST(ServiceTest, QueryFindsTheImplementedInterfacesOnly) {
  bool destroyed = false;
  const service_ptr_t<Counted> object = service_new<Counted>(destroyed);
  const struct {
    GUID guid;
    bool found;
  } cases[] = {
      {derived_interface::class_guid, true},
      {base_interface::class_guid, true},
      {{0x55555555, 0x6666, 0x7777, {0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x89}}, false},
  };
  for (const auto& c : cases) {
    service_ptr out;
    EXPECT_EQ(object->service_query(out, c.guid), c.found);
    EXPECT_EQ(out.get(), c.found ? static_cast<service_base*>(object.get()) : nullptr);
  }
  EXPECT_FALSE(destroyed);
}

}  // namespace
