#include "host_api.h"

namespace host {

HostApi::ServiceClass& HostApi::find(const player::GUID& guid) {
  const Lock lock(lock_);
  for (ServiceClass* service : classes_) {
    if (service->guid == guid) {
      return *service;
    }
  }
  // A class the player does not know still gets a reference, with no instances.
  auto* service = new ServiceClass{guid, {}, {}};
  classes_.push(service);
  return *service;
}

HostApi::ServiceClass* HostApi::known(player::service_class_ref service) {
  const Lock lock(lock_);
  for (ServiceClass* candidate : classes_) {
    if (candidate == service) {
      return candidate;
    }
  }
  fail("service enumeration with a class reference that service_enum_find_class never gave");
  return nullptr;
}

void HostApi::offer(const player::GUID& guid, player::service_base* service) {
  find(guid).services.push(service);
}

void HostApi::offer_factory(const player::GUID& guid, player::service_factory* factory) {
  find(guid).factories.push(factory);
}

player::service_class_ref HostApi::service_enum_find_class(const player::GUID& guid) {
  called(0);
  return &find(guid);
}

bool HostApi::service_enum_create(player::service_ptr_t<player::service_base>& out,
                                  player::service_class_ref service, size_t index) {
  called(1);
  ServiceClass* found = known(service);
  if (found == nullptr) {
    return false;
  }
  if (index < found->services.size()) {
    out = player::service_ptr_t<player::service_base>(found->services[index]);
    return true;
  }
  index -= found->services.size();
  if (index < found->factories.size()) {
    CALL_COMPONENT("service_factory::instance_create",
                   found->factories[index]->instance_create(out));
    return static_cast<bool>(out);
  }
  return false;
}

size_t HostApi::service_enum_get_count(player::service_class_ref service) {
  called(2);
  ServiceClass* found = known(service);
  return found == nullptr ? 0 : found->services.size() + found->factories.size();
}

HWND HostApi::get_main_window() {
  called(3);
  return main_window_;
}

bool HostApi::assert_main_thread() {
  called(4);
  return check(on_main_thread(), "foobar2000_api::assert_main_thread off the main thread");
}

bool HostApi::is_main_thread() {
  called(5);
  return on_main_thread();
}

bool HostApi::is_shutting_down() {
  called(6);
  return shutting_down_;
}

const char* HostApi::get_profile_path() {
  called(7);
  return profile_path_.c_str();
}

bool HostApi::is_initializing() {
  called(8);
  return initializing_;
}

bool HostApi::is_portable_mode_enabled() {
  called(9);
  return false;
}

bool HostApi::is_quiet_mode_enabled() {
  called(10);
  return false;
}

}  // namespace host
