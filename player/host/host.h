// The stand-in player's host services, in process: what the component finds through the host
// API pointer. Tests attach it to the component code linked into them; the stand-in player
// hands it to the component library it loads.
//
// Create it on the thread that is to be the main thread.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "player/host/console.h"
#include "player/host/main_thread_queue.h"
#include "player/host/playback_events.h"
#include "player/host/popups.h"
#include "sdk/core_api.h"

namespace fbplayer {

class Host final : public foobar2000_api {
 public:
  Host();
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  bool service_lookup(const GUID& class_guid, service_ptr& out) override;

  Console& console() { return console_; }
  MainThreadQueue& main_thread() { return main_thread_; }
  PlaybackEvents& playback() { return playback_; }
  Popups& popups() { return popups_; }

 private:
  service_impl_single_t<Console> console_;
  service_impl_single_t<MainThreadQueue> main_thread_;
  service_impl_single_t<PlaybackEvents> playback_;
  service_impl_single_t<Popups> popups_;
  std::vector<std::pair<GUID, service_base*>> services_;
};

}  // namespace fbplayer
