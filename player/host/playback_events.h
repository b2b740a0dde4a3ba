// The stand-in player's play_callback_manager: keeps the registered play callbacks and delivers
// playback events to those that asked for them. Main thread only, like the player's own.
#pragma once

#include <cstddef>
#include <vector>

#include "sdk/play_callback.h"

namespace fbplayer {

class PlaybackEvents : public play_callback_manager {
 public:
  struct Registration {
    play_callback* callback;
    unsigned flags;
  };

  void register_callback(play_callback* callback, unsigned flags, bool forward_status) override;
  void unregister_callback(play_callback* callback) override;

  const std::vector<Registration>& registrations() const { return registrations_; }

  void new_track(const metadb_handle_ptr& track);
  void stop(play_control::t_stop_reason reason);
  void seek(double time);
  void pause(bool paused);
  void edited(const metadb_handle_ptr& track);
  void dynamic_info(const file_info& info);
  void time(double time);

 protected:
  ~PlaybackEvents() = default;

 private:
  // Calls `deliver` for every callback registered for `flag`. A callback may unregister
  // (itself or others) while events are delivered.
  template <class Deliver>
  void deliver(unsigned flag, Deliver deliver);

  std::vector<Registration> registrations_;
};

}  // namespace fbplayer
