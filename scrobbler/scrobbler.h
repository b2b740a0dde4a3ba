// The playback tracker: the component's one play callback. It follows the playing track and
// decides, inside the host's playback events and nowhere else, when the track gets its
// now-playing notice (first time tick at 3 s or later) and when it counts as played (position
// at its scrobble threshold, at the latest when the track ends). Sending is submission
// dispatch's business; what the tracker does it reports as console lines.
//
// Main thread only: the host delivers every event there, and create/destroy run there.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "scrobbler/track_snapshot.h"
#include "sdk/play_callback.h"

namespace foo_brivanto {

// Where the tracker reads the time at which a track starts, in Unix seconds. The system clock
// in the component; tests give their own, so that a scrobble's timestamp can be told apart from
// the moment it was sent.
using UnixClock = std::int64_t (*)();

// Whole seconds since 1970-01-01 00:00:00 UTC by the system clock.
std::int64_t system_unix_time();

class Scrobbler final : public play_callback_impl_base {
 public:
  // new track, stop, seek, pause, edited, dynamic info and time: 0x17E.
  static constexpr unsigned kEvents = play_callback_manager::flag_on_playback_new_track |
                                      play_callback_manager::flag_on_playback_stop |
                                      play_callback_manager::flag_on_playback_seek |
                                      play_callback_manager::flag_on_playback_pause |
                                      play_callback_manager::flag_on_playback_edited |
                                      play_callback_manager::flag_on_playback_dynamic_info |
                                      play_callback_manager::flag_on_playback_time;

  explicit Scrobbler(UnixClock clock = system_unix_time);
  ~Scrobbler();

  // Forgets the followed track without scrobbling it (component shutdown).
  void drop_current();

 protected:
  // The playback events, as play_callback_impl_base hands them on.
  void on_new_track(const metadb_handle_ptr& track) override;
  void on_stop(play_control::t_stop_reason reason) override;
  void on_seek(double time) override;
  void on_edited(const metadb_handle_ptr& track) override;
  void on_dynamic_info(const file_info& info) override;
  void on_time(double time) override;

 private:
  // Scrobbles the followed track if it has reached its threshold, else logs why not (when
  // scrobbling is on); then forgets it. `reason`: "track change" or "playback stopped".
  void finish_track(std::string_view reason);

  UnixClock clock_;
  std::optional<TrackSnapshot> current;
};

// Creates and registers the single tracker and logs the start-up lines; does nothing when it
// already exists. `clock` gives the start time of each track.
void create_scrobbler(UnixClock clock = system_unix_time);

// Drops the followed track unfinished, unregisters and deletes the tracker; does nothing when
// there is none.
void destroy_scrobbler();

}  // namespace foo_brivanto
