#include "sdk/play_callback.h"

#include "sdk/boundary.h"
#include "sdk/core_api.h"

play_callback_impl_base::play_callback_impl_base(unsigned flags) {
  if (const auto manager = standard_api_get<play_callback_manager>()) {
    manager->register_callback(this, flags, false);
  }
}

play_callback_impl_base::~play_callback_impl_base() {
  if (const auto manager = standard_api_get<play_callback_manager>()) {
    manager->unregister_callback(this);
  }
}

void play_callback_impl_base::on_playback_starting(play_control::t_track_command /*command*/,
                                                   bool /*paused*/) {}

void play_callback_impl_base::on_playback_new_track(service_arg<metadb_handle> track) {
  // Adopted before anything can fail: the reference is released whatever happens.
  const metadb_handle_ptr owned = track.adopt();
  guarded("on_playback_new_track", [&] { on_new_track(owned); });
}

void play_callback_impl_base::on_playback_stop(play_control::t_stop_reason reason) {
  guarded("on_playback_stop", [&] { on_stop(reason); });
}

void play_callback_impl_base::on_playback_seek(double time) {
  guarded("on_playback_seek", [&] { on_seek(time); });
}

void play_callback_impl_base::on_playback_pause(bool paused) {
  guarded("on_playback_pause", [&] { on_pause(paused); });
}

void play_callback_impl_base::on_playback_edited(service_arg<metadb_handle> track) {
  const metadb_handle_ptr owned = track.adopt();
  guarded("on_playback_edited", [&] { on_edited(owned); });
}

void play_callback_impl_base::on_playback_dynamic_info(const file_info& info) {
  guarded("on_playback_dynamic_info", [&] { on_dynamic_info(info); });
}

void play_callback_impl_base::on_playback_dynamic_info_track(const file_info& /*info*/) {}

void play_callback_impl_base::on_playback_time(double time) {
  guarded("on_playback_time", [&] { on_time(time); });
}

void play_callback_impl_base::on_volume_change(float /*new_volume*/) {}
