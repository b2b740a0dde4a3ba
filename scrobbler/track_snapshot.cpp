// The track snapshot: its scrobble rules, its text, and reading it from the host's handle.
#include "scrobbler/track_snapshot.h"

#include "scrobbler/seconds.h"

namespace foo_brivanto {

double TrackSnapshot::scrobble_threshold() const {
  if (duration <= 0.0) {
    return 30.0;
  }
  const double half = duration * 0.5;
  return half >= 240.0 ? 240.0 : half;
}

bool TrackSnapshot::should_scrobble() const {
  return !artist.empty() && !title.empty() && position >= scrobble_threshold();
}

std::string TrackSnapshot::describe() const {
  return describe_track(artist, title, album);
}

TrackInfo TrackSnapshot::to_track_info() const {
  return TrackInfo{artist, title, album, round_seconds(duration), started_at};
}

void read_track_info(const metadb_handle_ptr& track, TrackSnapshot& snapshot) {
  metadb_info_container_ptr container;
  if (!track || !track->get_info_ref(container) || !container) {
    return;  // the player knows nothing of the track
  }
  const file_info& info = container->info();
  const struct {
    const char* field;
    std::string* target;
  } tags[] = {{"artist", &snapshot.artist}, {"title", &snapshot.title}, {"album", &snapshot.album}};
  for (const auto& tag : tags) {
    const char* value = info.meta_get(tag.field, 0);
    if (value != nullptr) {
      *tag.target = value;
    }
  }
  const double length = info.get_length();
  if (length > 0.0) {
    snapshot.duration = length;
  }
}

}  // namespace foo_brivanto
