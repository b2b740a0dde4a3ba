// The player's API, and the component-wide state that goes with it.
//
// The player hands its API to the component's exported entry; from then on every player
// service is found through it, by enumerating the implementations of an interface. The API
// pointer and the "services available" flag are set on the main thread and may be read from
// any thread.
#pragma once

#include <cstddef>

#include "sdk/abi.h"
#include "sdk/service.h"

// Names one interface among the player's services, as service_enum_find_class gives it.
using service_class_ref = const void*;

// What the player offers the component. The slots are the player's own, in its order.
class foobar2000_api {
 public:
  virtual service_class_ref service_enum_find_class(const GUID& guid) = 0;
  // Stores in `out` implementation `index` of `service_class`; false when there is none.
  virtual bool service_enum_create(service_ptr& out, service_class_ref service_class,
                                   std::size_t index) = 0;
  virtual std::size_t service_enum_get_count(service_class_ref service_class) = 0;
  virtual window_handle get_main_window() = 0;
  virtual bool assert_main_thread() = 0;
  virtual bool is_main_thread() = 0;
  virtual bool is_shutting_down() = 0;
  // The folder of the user's settings, where a component keeps files of its own: UTF-8, as a
  // "file://" URL followed by the native path ("file://C:\Users\...\foobar2000-v2").
  virtual const char* get_profile_path() = 0;
  virtual bool is_initializing() = 0;
  virtual bool is_portable_mode_enabled() = 0;
  virtual bool is_quiet_mode_enabled() = 0;

 protected:
  foobar2000_api() = default;
  ~foobar2000_api() = default;
};

namespace core_api {

// The player this component is attached to; null before the exported entry is called.
foobar2000_api* host();
void set_host(foobar2000_api* api);

// The player says whether its services may be used; console output is dropped while not.
bool are_services_available();
void set_services_available(bool available);

// The library's module handle (HINSTANCE on Windows), as the exported entry received it.
void* module_handle();
void set_module_handle(void* handle);

// Where the player loaded the component from, and the file name it gave. Main thread.
const char* library_path();
const char* library_name();
void set_library_path(const char* path, const char* name);

}  // namespace core_api

// Calls `visit(service_ptr_t<I>)` for every implementation of interface I the player offers,
// in its order. Nothing when the component is not attached.
template <class I, class Visit>
void for_each_service(Visit visit) {
  foobar2000_api* api = core_api::host();
  if (api == nullptr) {
    return;
  }
  const service_class_ref service_class = api->service_enum_find_class(I::class_guid);
  const std::size_t count = api->service_enum_get_count(service_class);
  for (std::size_t i = 0; i < count; ++i) {
    service_ptr found;
    if (api->service_enum_create(found, service_class, i) && found) {
      // The player lists each implementation as its entry-point interface.
      visit(service_ptr_t<I>::adopt(static_cast<I*>(found.detach())));  // NOLINT(*-downcast)
    }
  }
}

// The player's one implementation of interface I (a standard API), or null when it offers
// none, or several. The player always offers the ones the component uses; a host that does
// not costs the component that feature, never the player its process.
template <class I>
service_ptr_t<I> standard_api_get() {
  foobar2000_api* api = core_api::host();
  if (api == nullptr) {
    return nullptr;
  }
  const service_class_ref service_class = api->service_enum_find_class(I::class_guid);
  service_ptr found;
  if (api->service_enum_get_count(service_class) != 1 ||
      !api->service_enum_create(found, service_class, 0) || !found) {
    return nullptr;
  }
  return service_ptr_t<I>::adopt(static_cast<I*>(found.detach()));  // NOLINT(*-downcast)
}
