// An in-process host attached to the component code linked into a test program, the way the
// exported entry attaches the player: services available, console and main-thread queue live.
// The creating thread is the main thread.
#pragma once

#include "player/host/host.h"
#include "sdk/core_api.h"

namespace brivanto_test {

class AttachedHost {
 public:
  AttachedHost() {
    core_api::set_host(&host_);
    core_api::set_services_available(true);
  }
  ~AttachedHost() {
    core_api::set_services_available(false);
    core_api::set_host(nullptr);
  }
  AttachedHost(const AttachedHost&) = delete;
  AttachedHost& operator=(const AttachedHost&) = delete;

  fbplayer::Host& operator*() { return host_; }
  fbplayer::Host* operator->() { return &host_; }

 private:
  fbplayer::Host host_;
};

}  // namespace brivanto_test
