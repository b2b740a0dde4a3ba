// An in-process host attached to the component code linked into a test program, as the entry
// attaches the player. One host serves the program, never destroyed (a component thread may hold
// a host service after its last line). Each AttachedHost starts with an empty console and runs
// the tasks still queued when it ends; the first one's thread is the main thread.
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
