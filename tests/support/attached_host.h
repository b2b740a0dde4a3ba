// An in-process host attached to the component code linked into a test program, the way the
// exported entry attaches the player: services available, console and main-thread queue live.
//
// As in the player, the host outlives everything the component starts: one host serves the
// whole test program and is never destroyed, because a background thread of the component may
// still be letting go of its last reference to a host service after its final console line.
// Each AttachedHost starts with an empty console and, when it ends, runs the main-thread tasks
// still queued. The first AttachedHost's thread is the main thread.
#pragma once

#include "player/host/host.h"
#include "sdk/core_api.h"

namespace brivanto_test {

class AttachedHost {
 public:
  AttachedHost() : host_(shared_host()) {
    host_.console().clear();
    host_.popups().clear();
    core_api::set_host(&host_);
    core_api::set_services_available(true);
  }
  ~AttachedHost() {
    host_.main_thread().run_pending();
    core_api::set_services_available(false);
    core_api::set_host(nullptr);
  }
  AttachedHost(const AttachedHost&) = delete;
  AttachedHost& operator=(const AttachedHost&) = delete;

  fbplayer::Host& operator*() { return host_; }
  fbplayer::Host* operator->() { return &host_; }

 private:
  static fbplayer::Host& shared_host() {
    static fbplayer::Host* const host = new fbplayer::Host();
    return *host;
  }

  fbplayer::Host& host_;
};

}  // namespace brivanto_test
