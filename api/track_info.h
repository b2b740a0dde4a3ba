// TrackInfo: what the service's track methods send about one track.
#pragma once

#include <cstdint>
#include <string>

namespace foo_brivanto {

struct TrackInfo {
  std::string artist;
  std::string title;
  std::string album;           // may be empty
  std::int32_t duration = 0;   // whole seconds
  std::int64_t timestamp = 0;  // Unix seconds at which the track started
};

}  // namespace foo_brivanto
