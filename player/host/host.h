// The stand-in player's host, in process: the player API that a component gets through its
// entry, with the services it enumerates. Tests attach it to the component code linked into
// them; the stand-in player hands it to the component library it loads, and lists that
// library's own services among its own, as a player does.
//
// Create it on the thread that is to be the main thread. Its list of services is made before
// any component runs and read from any thread after that.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "player/host/console.h"
#include "player/host/main_thread_queue.h"
#include "player/host/playback_events.h"
#include "player/host/popups.h"
#include "sdk/core_api.h"
#include "sdk/service_factory.h"

namespace fbplayer {

class Host final : public foobar2000_api {
 public:
  Host();
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  service_class_ref service_enum_find_class(const GUID& guid) override;
  bool service_enum_create(service_ptr& out, service_class_ref service_class,
                           std::size_t index) override;
  std::size_t service_enum_get_count(service_class_ref service_class) override;
  window_handle get_main_window() override { return nullptr; }
  bool assert_main_thread() override { return is_main_thread(); }
  bool is_main_thread() override { return main_thread_.is_main_thread(); }
  bool is_shutting_down() override { return false; }
  const char* get_profile_path() override { return profile_path_.c_str(); }
  bool is_initializing() override { return false; }
  bool is_portable_mode_enabled() override { return false; }
  bool is_quiet_mode_enabled() override { return false; }

  // Lists the services of a component's factory list (from its client) among the host's.
  void add_services(service_factory_base* list);
  // Every service of entry-point interface I: the host's and the components', in list order.
  template <class I>
  std::vector<service_ptr_t<I>> services() {
    std::vector<service_ptr_t<I>> found;
    const service_class_ref service_class = service_enum_find_class(I::class_guid);
    for (std::size_t i = 0; i < service_enum_get_count(service_class); ++i) {
      service_ptr service;
      if (service_enum_create(service, service_class, i) && service) {
        // Listed as its entry point, seen as its service_base.
        found.push_back(service_ptr_t<I>::adopt(static_cast<I*>(service.detach())));  // NOLINT
      }
    }
    return found;
  }

  void set_profile_path(std::string path) { profile_path_ = std::move(path); }

  Console& console() { return console_; }
  MainThreadQueue& main_thread() { return main_thread_; }
  PlaybackEvents& playback() { return playback_; }
  Popups& popups() { return popups_; }

 private:
  struct ServiceClass {
    GUID guid;
    std::vector<std::function<void(service_ptr&)>> instances;
  };
  ServiceClass& service_class(const GUID& guid);
  void add_service(const GUID& guid, service_base* service);

  service_impl_single_t<Console> console_;
  service_impl_single_t<MainThreadQueue> main_thread_;
  service_impl_single_t<PlaybackEvents> playback_;
  service_impl_single_t<Popups> popups_;
  std::deque<ServiceClass> classes_;  // a deque: a class's address is its reference
  std::string profile_path_;
};

}  // namespace fbplayer
