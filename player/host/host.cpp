#include "player/host/host.h"

namespace fbplayer {

Host::Host()
    : services_{{console_manager::class_guid, &console_},
                {main_thread_callback_manager::class_guid, &main_thread_},
                {play_callback_manager::class_guid, &playback_},
                {popup_message::class_guid, &popups_}} {
  console_.set_observer([this] { main_thread_.wake(); });
}

Host::~Host() {
  console_.set_observer(nullptr);
}

bool Host::service_lookup(const GUID& class_guid, service_ptr& out) {
  for (const auto& [guid, service] : services_) {
    if (guid == class_guid) {
      out = service_ptr(service);
      return true;
    }
  }
  return false;
}

}  // namespace fbplayer
