// Playback events: the player tells registered play callbacks what it does, always on the main
// thread, between register_callback and unregister_callback.
#pragma once

#include "sdk/abi.h"
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

// The player's play callback interface, in its slot order. Not a service: the player holds the
// registered pointer, and the callback unregisters before it goes. The two track events carry
// a track reference for the callee to adopt.
class play_callback {
 public:
  virtual void on_playback_starting(play_control::t_track_command command, bool paused) = 0;
  virtual void on_playback_new_track(service_arg<metadb_handle> track) = 0;
  virtual void on_playback_stop(play_control::t_stop_reason reason) = 0;
  // `time`: the new position, in seconds.
  virtual void on_playback_seek(double time) = 0;
  virtual void on_playback_pause(bool paused) = 0;
  // The playing track's tags changed.
  virtual void on_playback_edited(service_arg<metadb_handle> track) = 0;
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

// Player service: delivers playback events to registered callbacks.
class play_callback_manager : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x78bcbfa1, 0xdfb9, 0x487f, {0xab, 0x16, 0xcd, 0x82, 0xbf, 0x90, 0xcc, 0xf7}};
  using service_parent = service_base;

  // Which events a callback wants; one bit per play_callback slot, in slot order.
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
// it exists. It implements every slot: it adopts the track references, stops whatever is thrown
// (sdk/boundary.h), and hands the events to the on_* functions below; those it does not
// override are ignored.
class play_callback_impl_base : public play_callback {
 public:
  play_callback_impl_base(const play_callback_impl_base&) = delete;
  play_callback_impl_base& operator=(const play_callback_impl_base&) = delete;

  void on_playback_starting(play_control::t_track_command command, bool paused) final;
  void on_playback_new_track(service_arg<metadb_handle> track) final;
  void on_playback_stop(play_control::t_stop_reason reason) final;
  void on_playback_seek(double time) final;
  void on_playback_pause(bool paused) final;
  void on_playback_edited(service_arg<metadb_handle> track) final;
  void on_playback_dynamic_info(const file_info& info) final;
  void on_playback_dynamic_info_track(const file_info& info) final;
  void on_playback_time(double time) final;
  void on_volume_change(float new_volume) final;

 protected:
  explicit play_callback_impl_base(unsigned flags);
  ~play_callback_impl_base();

  virtual void on_new_track(const metadb_handle_ptr& /*track*/) {}
  virtual void on_stop(play_control::t_stop_reason /*reason*/) {}
  virtual void on_seek(double /*time*/) {}
  virtual void on_pause(bool /*paused*/) {}
  virtual void on_edited(const metadb_handle_ptr& /*track*/) {}
  virtual void on_dynamic_info(const file_info& /*info*/) {}
  virtual void on_time(double /*time*/) {}
};
