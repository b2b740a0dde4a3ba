// The playback tracker: follows the playing track and decides when it is noticed and scrobbled.
#include "scrobbler/scrobbler.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>

#include "scrobbler/console_log.h"
#include "scrobbler/seconds.h"
#include "scrobbler/submission.h"
#include "settings/settings.h"

namespace foo_brivanto {
namespace {

constexpr double kNowPlayingAfter = 3.0;

Scrobbler* g_scrobbler = nullptr;

bool both_switches_off() {
  return !enable_scrobbling && !enable_now_playing;
}

std::string seconds_text(double seconds) {
  return std::to_string(truncate_seconds(seconds));
}

const char* on_off(bool on) {
  return on ? "on" : "off";
}

}  // namespace

std::int64_t system_unix_time() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

Scrobbler::Scrobbler(UnixClock clock) : play_callback_impl_base(kEvents), clock_(clock) {}

Scrobbler::~Scrobbler() = default;

void Scrobbler::drop_current() {
  current.reset();
}

void Scrobbler::on_new_track(const metadb_handle_ptr& track) {
  finish_track("track change");
  if (both_switches_off()) {
    log_line("Playback ignored: scrobbling and now playing are disabled");
    return;
  }
  TrackSnapshot snapshot;
  read_track_info(track, snapshot);
  if (!(snapshot.duration > 0.0)) {
    log_line("Playback ignored: invalid track or unknown duration");
    return;
  }
  snapshot.started_at = clock_();
  current = std::move(snapshot);

  log_line("Now playing: " + current->describe() + " [" + seconds_text(current->duration) +
           "s, scrobble after " + seconds_text(current->scrobble_threshold()) + "s]");
  if (current->artist.empty() || current->title.empty()) {
    log_line("WARNING: missing artist/title tags — scrobble will not be sent");
  }
  if (make_service_config().session_key.empty()) {
    log_line("WARNING: not authorized — click Complete authorization, then Apply");
  }
}

void Scrobbler::on_stop(play_control::t_stop_reason reason) {
  // The new-track event that follows finishes the track as a track change.
  if (reason == play_control::stop_reason_starting_another) {
    return;
  }
  finish_track("playback stopped");
}

void Scrobbler::on_seek(double time) {
  if (current) {
    current->position = time;
  }
}

void Scrobbler::on_edited(const metadb_handle_ptr& track) {
  if (current && track) {
    read_track_info(track, *current);
  }
}

void Scrobbler::on_dynamic_info(const file_info& info) {
  if (!current) {
    return;
  }
  const struct {
    const char* name;
    std::string* field;
  } entries[] = {
      {"artist", &current->artist}, {"title", &current->title}, {"album", &current->album}};
  for (const auto& entry : entries) {
    if (const char* value = info.info_get(entry.name); value != nullptr) {
      *entry.field = value;
    }
  }
}

void Scrobbler::on_time(double time) {
  // Called about once a second: only comparisons and one assignment unless something is due.
  const bool scrobbling = enable_scrobbling;
  const bool now_playing = enable_now_playing;
  if ((!scrobbling && !now_playing) || !current) {
    return;
  }
  TrackSnapshot& track = *current;
  track.position = time;

  const bool tags_present = !track.artist.empty() && !track.title.empty();
  if (now_playing && !track.now_playing_sent && tags_present &&
      track.position >= kNowPlayingAfter) {
    // At most one attempt per track, whatever comes of it.
    track.now_playing_sent = true;
    send_now_playing(track, make_service_config());
  }
  if (scrobbling && track.should_scrobble()) {
    TrackSnapshot played = std::move(track);
    current.reset();
    send_scrobble(std::move(played), make_service_config());
  }
}

void Scrobbler::finish_track(std::string_view reason) {
  if (!current) {
    return;
  }
  if (enable_scrobbling) {
    if (current->should_scrobble()) {
      send_scrobble(std::move(*current), make_service_config());  // forgotten right below
    } else {
      std::string line = "Scrobble skipped on ";
      line.append(reason)
          .append(": played ")
          .append(seconds_text(current->position))
          .append("s / need ")
          .append(seconds_text(current->scrobble_threshold()))
          .append("s");
      if (current->artist.empty() || current->title.empty()) {
        line.append(", missing tags");
      }
      log_line(line);
    }
  }
  current.reset();
}

void create_scrobbler(UnixClock clock) {
  if (g_scrobbler != nullptr) {
    return;
  }
  g_scrobbler = new Scrobbler(clock);
  const ServiceConfig config = make_service_config();
  log_line("Scrobbler registered — open View → Console for debug output");
  log_line("Server " + config.base_url + ", scrobbling=" + on_off(enable_scrobbling) +
           ", now playing=" + on_off(enable_now_playing) +
           ", authorized=" + (config.session_key.empty() ? "no" : "yes"));
}

void destroy_scrobbler() {
  if (g_scrobbler == nullptr) {
    return;
  }
  g_scrobbler->drop_current();
  delete std::exchange(g_scrobbler, nullptr);
}

}  // namespace foo_brivanto
