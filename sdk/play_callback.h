// Playback events: the host tells registered play callbacks what the player does, always on
// the main thread, between register_callback and unregister_callback.
#pragma once

#include "sdk/file_info.h"
#include "sdk/metadb_handle.h"
#include "sdk/service.h"

namespace play_control {

// Why playback stopped.
enum t_stop_reason : int {
  stop_reason_user = 0,
  stop_reason_eof = 1,
  stop_reason_starting_another = 2,
  stop_reason_shutting_down = 3,
};

// What started playback.
enum t_track_command : int {
  track_command_default = 0,
  track_command_play = 1,
  track_command_next = 2,
  track_command_prev = 3,
  track_command_settrack = 4,
  track_command_rand = 5,
  track_command_resume = 6,
};

}  // namespace play_control

class play_callback {
 public:
  virtual void on_playback_starting(play_control::t_track_command command, bool paused) = 0;
  virtual void on_playback_new_track(metadb_handle_ptr track) = 0;
  virtual void on_playback_stop(play_control::t_stop_reason reason) = 0;
  // `time`: the new position, in seconds.
  virtual void on_playback_seek(double time) = 0;
  virtual void on_playback_pause(bool paused) = 0;
  // The playing track's tags changed.
  virtual void on_playback_edited(metadb_handle_ptr track) = 0;
  // A stream reports new information (for example the title of the song on a radio stream).
  virtual void on_playback_dynamic_info(const file_info& info) = 0;
  virtual void on_playback_dynamic_info_track(const file_info& info) = 0;
  // Sent about once a second while playing; `time` is the position in seconds.
  virtual void on_playback_time(double time) = 0;
  virtual void on_volume_change(float new_volume) = 0;

 protected:
  play_callback() = default;
  ~play_callback() = default;
};

// Host service: delivers playback events to registered callbacks.
class play_callback_manager : public service_base {
 public:
  static constexpr GUID class_guid = {
      0xfe8db2d2, 0x94aa, 0x4dbf, {0x8b, 0xdc, 0xf3, 0xdb, 0x7e, 0x1e, 0xd1, 0xb6}};
  using service_parent = service_base;

  // Which events a callback wants; one bit per play_callback operation, in slot order.
  enum : unsigned {
    flag_on_playback_starting = 1U << 0U,
    flag_on_playback_new_track = 1U << 1U,
    flag_on_playback_stop = 1U << 2U,
    flag_on_playback_seek = 1U << 3U,
    flag_on_playback_pause = 1U << 4U,
    flag_on_playback_edited = 1U << 5U,
    flag_on_playback_dynamic_info = 1U << 6U,
    flag_on_playback_dynamic_info_track = 1U << 7U,
    flag_on_playback_time = 1U << 8U,
    flag_on_volume_change = 1U << 9U,
  };

  // Main thread only. With `forward_status`, the callback is at once told the current state.
  virtual void register_callback(play_callback* callback, unsigned flags, bool forward_status) = 0;
  virtual void unregister_callback(play_callback* callback) = 0;

 protected:
  ~play_callback_manager() = default;
};

// A play callback that registers itself for `flags` (without the current state) for as long as
// it exists; every event it does not override is ignored.
class play_callback_impl_base : public play_callback {
 public:
  play_callback_impl_base(const play_callback_impl_base&) = delete;
  play_callback_impl_base& operator=(const play_callback_impl_base&) = delete;

  void on_playback_starting(play_control::t_track_command /*command*/, bool /*paused*/) override {}
  void on_playback_new_track(metadb_handle_ptr /*track*/) override {}
  void on_playback_stop(play_control::t_stop_reason /*reason*/) override {}
  void on_playback_seek(double /*time*/) override {}
  void on_playback_pause(bool /*paused*/) override {}
  void on_playback_edited(metadb_handle_ptr /*track*/) override {}
  void on_playback_dynamic_info(const file_info& /*info*/) override {}
  void on_playback_dynamic_info_track(const file_info& /*info*/) override {}
  void on_playback_time(double /*time*/) override {}
  void on_volume_change(float /*new_volume*/) override {}

 protected:
  explicit play_callback_impl_base(unsigned flags);
  ~play_callback_impl_base();
};
