// The host's API pointer and the component-wide state that goes with it.
//
// The host hands its API to the component's exported entry; from then on every host service is
// found through it (standard_api_create_t). The pointer and the "services available" flag are
// set on the main thread and may be read from any thread.
#pragma once

#include "sdk/service.h"

// What the host offers the component: the lookup of its services by interface GUID.
class foobar2000_api {
 public:
  // Stores in `out` the host's implementation of the interface `class_guid`, as a pointer to
  // that interface converted to service_base. Returns false when the host has none.
  virtual bool service_lookup(const GUID& class_guid, service_ptr& out) = 0;

 protected:
  foobar2000_api() = default;
  ~foobar2000_api() = default;
};

namespace core_api {

// The host this component is attached to; null before the exported entry is called.
foobar2000_api* host();
void set_host(foobar2000_api* api);

// The host says whether its services may be used yet; console output is dropped while not.
bool are_services_available();
void set_services_available(bool available);

// The library's module handle (HINSTANCE on Windows), as the exported entry received it.
void* module_handle();
void set_module_handle(void* handle);

// Where the player loaded the component from, and the file name it gave. Main thread.
const char* library_path();
const char* library_name();
void set_library_path(const char* path, const char* name);

// Ends the process: a service the component relies on is missing, which only a broken host
// can cause. Never returns.
[[noreturn]] void fatal_missing_service(const GUID& guid);

}  // namespace core_api

// The host's implementation of interface T.
template <class T>
service_ptr_t<T> standard_api_create_t() {
  service_ptr found;
  foobar2000_api* api = core_api::host();
  if (api == nullptr || !api->service_lookup(T::class_guid, found) || !found) {
    core_api::fatal_missing_service(T::class_guid);
  }
  return service_ptr_t<T>(static_cast<T*>(found.get()));
}
