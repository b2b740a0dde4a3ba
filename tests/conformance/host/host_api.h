// The player's API as the component reaches it: service lookup by class GUID over the host's
// own services and the component's factories (as the player enumerates every component's, the
// component's own included), and the player's state.
#pragma once

#include "host_objects.h"

namespace host {

class HostApi final : public player::foobar2000_api {
 public:
  HostApi(HWND main_window, Text profile_path)
      : main_window_(main_window), profile_path_(move(profile_path)) {}
  HostApi(const HostApi&) = delete;
  HostApi& operator=(const HostApi&) = delete;
  ~HostApi() = default;

  void offer(const player::GUID& guid, player::service_base* service);
  void offer_factory(const player::GUID& guid, player::service_factory* factory);
  void set_initializing(bool initializing) { initializing_ = initializing; }
  void set_shutting_down(bool shutting_down) { shutting_down_ = shutting_down; }
  // How often the component called each of the 11 slots.
  const volatile long* calls() const { return calls_; }

  player::service_class_ref service_enum_find_class(const player::GUID& guid) override;
  bool service_enum_create(player::service_ptr_t<player::service_base>& out,
                           player::service_class_ref service, size_t index) override;
  size_t service_enum_get_count(player::service_class_ref service) override;
  HWND get_main_window() override;
  bool assert_main_thread() override;
  bool is_main_thread() override;
  bool is_shutting_down() override;
  const char* get_profile_path() override;
  bool is_initializing() override;
  bool is_portable_mode_enabled() override;
  bool is_quiet_mode_enabled() override;

 private:
  struct ServiceClass {
    player::GUID guid;
    List<player::service_base*> services;
    List<player::service_factory*> factories;
  };
  ServiceClass& find(const player::GUID& guid);
  ServiceClass* known(player::service_class_ref service);
  void called(int slot) { atomic_add(calls_[slot], 1); }

  HWND main_window_;
  Text profile_path_;
  SrwLock lock_;
  List<ServiceClass*> classes_;
  bool initializing_ = true;
  bool shutting_down_ = false;
  volatile long calls_[11] = {};
};

}  // namespace host
