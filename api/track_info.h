// TrackInfo: what the service's track methods send about one track, and how the console names
// it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace foo_brivanto {

struct TrackInfo {
  std::string artist;
  std::string title;
  std::string album;           // may be empty
  std::int32_t duration = 0;   // whole seconds
  std::int64_t timestamp = 0;  // Unix seconds at which the track started
};

// How the console names a track: "Artist - Title", then " (Album)" when it has one.
inline std::string describe_track(std::string_view artist, std::string_view title,
                                  std::string_view album) {
  std::string text;
  text.reserve(artist.size() + title.size() + album.size() + 6);
  text.append(artist).append(" - ").append(title);
  if (!album.empty()) {
    text.append(" (").append(album).append(")");
  }
  return text;
}

inline std::string describe_track(const TrackInfo& track) {
  return describe_track(track.artist, track.title, track.album);
}

}  // namespace foo_brivanto
