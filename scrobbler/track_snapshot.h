// TrackSnapshot: the component's own record of the playing track, taken from the host's track
// handle when the track starts. A plain value: it holds nothing of the host's, is copied whole
// into every background submission, and may be used on any thread.
#pragma once

#include <cstdint>
#include <string>

#include "api/track_info.h"
#include "sdk/metadb_handle.h"

namespace foo_brivanto {

struct TrackSnapshot {
  // UTF-8 exactly as the host gave them; empty stands for a missing tag.
  std::string artist;
  std::string title;
  std::string album;
  // Seconds; 0 until the host has given a positive length, positive after that.
  double duration = 0;
  // Latest playback position the host reported, in seconds from the start of the track.
  double position = 0;
  bool now_playing_sent = false;
  // Unix seconds at which the component learned of the track; the scrobble's timestamp.
  std::int64_t started_at = 0;

  // Seconds of playback after which the track counts as played: half its length, at most
  // 240; 30 when the length is unknown.
  double scrobble_threshold() const;

  // Artist and title known, and the position at or past the threshold.
  bool should_scrobble() const;

  // "artist - title", then " (album)" when there is an album. The separator stays even when
  // artist or title is empty.
  std::string describe() const;

  // Texts copied; duration rounded to whole seconds (halves away from zero, clamped to the
  // 32-bit range); timestamp from started_at.
  TrackInfo to_track_info() const;
};

// Updates the snapshot from the track handle: artist, title and album from the first value of
// each metadata field the track has (fields it lacks leave the snapshot's text as it was), and
// duration from the track's length when that is positive. A null handle, or one the player
// has no information on, changes nothing.
void read_track_info(const metadb_handle_ptr& track, TrackSnapshot& snapshot);

}  // namespace foo_brivanto
