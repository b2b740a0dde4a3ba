#include "player/host/host.h"

#include <algorithm>

#include "sdk/console.h"
#include "sdk/main_thread.h"
#include "sdk/play_callback.h"
#include "sdk/popup_message.h"

namespace fbplayer {

Host::Host() {
  add_service(console_receiver::class_guid, &console_);
  add_service(main_thread_callback_manager::class_guid, &main_thread_);
  add_service(play_callback_manager::class_guid, &playback_);
  add_service(popup_message::class_guid, &popups_);
  console_.set_observer([this] { main_thread_.wake(); });
}

Host::~Host() {
  console_.set_observer(nullptr);
}

Host::ServiceClass& Host::service_class(const GUID& guid) {
  const auto it = std::find_if(classes_.begin(), classes_.end(),
                               [&](const ServiceClass& c) { return c.guid == guid; });
  return it != classes_.end() ? *it : classes_.emplace_back(ServiceClass{guid, {}});
}

void Host::add_service(const GUID& guid, service_base* service) {
  service_class(guid).instances.emplace_back(
      [service](service_ptr& out) { out = service_ptr(service); });
}

void Host::add_services(service_factory_base* list) {
  for (service_factory_base* f = list; f != nullptr; f = f->get_next()) {
    service_class(f->get_class_guid()).instances.emplace_back([f](service_ptr& out) {
      f->instance_create(out);
    });
  }
}

service_class_ref Host::service_enum_find_class(const GUID& guid) {
  const auto it = std::find_if(classes_.begin(), classes_.end(),
                               [&](const ServiceClass& c) { return c.guid == guid; });
  return it == classes_.end() ? nullptr : &*it;
}

bool Host::service_enum_create(service_ptr& out, service_class_ref service_class,
                               std::size_t index) {
  const auto* found = static_cast<const ServiceClass*>(service_class);
  if (found == nullptr || index >= found->instances.size()) {
    return false;
  }
  found->instances[index](out);
  return static_cast<bool>(out);
}

std::size_t Host::service_enum_get_count(service_class_ref service_class) {
  const auto* found = static_cast<const ServiceClass*>(service_class);
  return found == nullptr ? 0 : found->instances.size();
}

}  // namespace fbplayer
