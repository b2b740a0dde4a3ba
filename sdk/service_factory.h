// Service factories: how the component registers its services with the player.
//
// Each factory is a static object that, when constructed at library load, puts itself at the
// head of the component's service list. The player walks the list from the client interface,
// reading each factory's two fields directly, so the layout is fixed: [vptr][next factory]
// [pointer to the class GUID], with one virtual slot, instance_create. A factory lists its
// service under the entry-point interface (the top of the service's interface chain: for a
// page, preferences_page), and the player asks the instance for later interfaces through
// service_query. The component's services are single static instances, so their reference
// counting does nothing.
#pragma once

#include "sdk/boundary.h"
#include "sdk/guid.h"
#include "sdk/service.h"

class service_factory_base {
 public:
  // Stores in `out` the service, as its entry-point interface seen as its service_base.
  virtual void instance_create(service_ptr& out) = 0;

  // The entry-point interface the service is listed under.
  const GUID& get_class_guid() const { return *class_guid_; }
  service_factory_base* get_next() const { return next_; }

  // The head of the component's service list.
  static service_factory_base* list_head() { return list_; }

  service_factory_base(const service_factory_base&) = delete;
  service_factory_base& operator=(const service_factory_base&) = delete;

 protected:
  explicit service_factory_base(const GUID& class_guid) : next_(list_), class_guid_(&class_guid) {
    list_ = this;
  }
  ~service_factory_base() = default;

 private:
  service_factory_base* next_;
  const GUID* class_guid_;

  static inline constinit service_factory_base* list_ = nullptr;
};

// The player reads the two fields after the vtable pointer.
static_assert(sizeof(service_factory_base) == 3 * sizeof(void*));

// Registers one static instance of T under the entry point of the interface T implements.
template <class T>
class service_factory_single_t final : public service_factory_base {
 public:
  using entry_point = service_entry_point_t<T>;

  service_factory_single_t() : service_factory_base(entry_point::class_guid) {}

  void instance_create(service_ptr& out) override {
    guarded("instance_create", [&] {
      out = service_ptr(static_cast<service_base*>(static_cast<entry_point*>(&instance_)));
    });
  }

 private:
  service_impl_single_t<T> instance_;
};
