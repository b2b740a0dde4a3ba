#include "player/host/playback_events.h"

#include <algorithm>

namespace fbplayer {

void PlaybackEvents::register_callback(play_callback* callback, unsigned flags,
                                       bool /*forward_status*/) {
  // The stand-in player has no state to forward at registration: callbacks hear of the next
  // track.
  registrations_.push_back({callback, flags});
}

void PlaybackEvents::unregister_callback(play_callback* callback) {
  std::erase_if(registrations_,
                [callback](const Registration& r) { return r.callback == callback; });
}

template <class Deliver>
void PlaybackEvents::deliver(unsigned flag, Deliver deliver) {
  const std::vector<Registration> snapshot = registrations_;
  for (const Registration& r : snapshot) {
    const bool still_registered =
        std::any_of(registrations_.begin(), registrations_.end(),
                    [&r](const Registration& now) { return now.callback == r.callback; });
    if (still_registered && (r.flags & flag) != 0) {
      deliver(*r.callback);
    }
  }
}

void PlaybackEvents::new_track(const metadb_handle_ptr& track) {
  deliver(flag_on_playback_new_track,
          [&](play_callback& c) { c.on_playback_new_track(service_arg_source(track)); });
}

void PlaybackEvents::stop(play_control::t_stop_reason reason) {
  deliver(flag_on_playback_stop, [&](play_callback& c) { c.on_playback_stop(reason); });
}

void PlaybackEvents::seek(double time) {
  deliver(flag_on_playback_seek, [&](play_callback& c) { c.on_playback_seek(time); });
}

void PlaybackEvents::pause(bool paused) {
  deliver(flag_on_playback_pause, [&](play_callback& c) { c.on_playback_pause(paused); });
}

void PlaybackEvents::edited(const metadb_handle_ptr& track) {
  deliver(flag_on_playback_edited,
          [&](play_callback& c) { c.on_playback_edited(service_arg_source(track)); });
}

void PlaybackEvents::dynamic_info(const file_info& info) {
  deliver(flag_on_playback_dynamic_info,
          [&](play_callback& c) { c.on_playback_dynamic_info(info); });
}

void PlaybackEvents::time(double time) {
  deliver(flag_on_playback_time, [&](play_callback& c) { c.on_playback_time(time); });
}

}  // namespace fbplayer
