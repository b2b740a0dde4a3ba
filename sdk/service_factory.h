// Service factories: how the component registers its services with the host.
//
// Each factory is a static object that, when constructed at library load, puts itself at the
// head of the component's service list. The host walks the list (from the client interface)
// and asks each factory for its instance. The component's services are single static
// instances, so their reference counting does nothing.
#pragma once

#include "sdk/guid.h"
#include "sdk/service.h"

class service_factory_base {
 public:
  // The interface the service implements, as the host looks it up.
  virtual const GUID& get_class_guid() const = 0;
  virtual service_factory_base* get_next() const = 0;
  // Stores in `out` the service as its registered interface.
  virtual void instance_create(service_ptr& out) = 0;

  // The head of the component's service list.
  static service_factory_base* list_head() { return list_; }

  service_factory_base(const service_factory_base&) = delete;
  service_factory_base& operator=(const service_factory_base&) = delete;

 protected:
  service_factory_base() : next_(list_) { list_ = this; }
  ~service_factory_base() = default;

  service_factory_base* next_;

 private:
  static inline constinit service_factory_base* list_ = nullptr;
};

// Registers one static instance of T under the interface T::class_guid (the interface T
// implements most directly).
template <class T>
class service_factory_single_t final : public service_factory_base {
 public:
  const GUID& get_class_guid() const override { return T::class_guid; }
  service_factory_base* get_next() const override { return next_; }
  void instance_create(service_ptr& out) override {
    out = service_ptr(static_cast<service_base*>(&instance_));
  }

 private:
  service_impl_single_t<T> instance_;
};
