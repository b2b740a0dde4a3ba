// The track snapshot: reading it from a track handle, its threshold, and whole seconds.
#include "scrobbler/track_snapshot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "player/host/track.h"
#include "scrobbler/seconds.h"

namespace foo_brivanto {
namespace {

std::string text_of(const TrackSnapshot& s) {
  return s.artist + "|" + s.title + "|" + s.album + "|" + std::to_string(s.duration);
}

TEST(TrackSnapshotTest, ReadTrackInfoKeepsWhatTheTrackLacks) {
  const struct {
    std::vector<std::pair<const char*, const char*>> tags;
    double length;
    bool has_info;
    const char* after;  // from "A|T|L|100.000000"
  } cases[] = {
      {{{"artist", "B"}, {"title", "U"}}, 185.6, true, "B|U|L|185.600000"},
      {{{"album", ""}}, 0, true, "A|T||100.000000"},
      {{{"artist", "X"}}, -1, false, "A|T|L|100.000000"},
      {{}, 42.5, false, "A|T|L|42.500000"},
  };
  for (const auto& c : cases) {
    file_info_impl info;
    for (const auto& [name, value] : c.tags) {
      info.meta_add(name, value);
    }
    TrackSnapshot s{"A", "T", "L", 100, 12, true, 1700000000};
    read_track_info(service_new<fbplayer::Track>(info, c.length, c.has_info), s);
    EXPECT_EQ(text_of(s), c.after);
    EXPECT_EQ(s.position + static_cast<double>(s.started_at), 1700000012.0);
    EXPECT_TRUE(s.now_playing_sent);
  }
  TrackSnapshot s{"A", "T", "L", 3, 0, false, 0};
  read_track_info(metadb_handle_ptr(), s);
  EXPECT_EQ(text_of(s), "A|T|L|3.000000");
}

TEST(TrackSnapshotTest, ThresholdAndWhatIsSent) {
  for (const auto& [duration, threshold] : {std::pair{0.0, 30.0},
                                            {-1.0, 30.0},
                                            {7.0, 3.5},
                                            {100.0, 50.0},
                                            {480.0, 240.0},
                                            {481.0, 240.0}}) {
    TrackSnapshot s{"A", "T", "L", duration, threshold, false, 0};
    EXPECT_EQ(s.scrobble_threshold(), threshold) << duration;
    EXPECT_TRUE(s.should_scrobble()) << duration;
    s.position = std::nextafter(threshold, 0.0);
    EXPECT_FALSE(s.should_scrobble()) << duration;
  }
  const TrackInfo info = TrackSnapshot{"A", "T", "L", 185.5, 0, false, -5}.to_track_info();
  EXPECT_EQ(info.artist + "|" + info.title + "|" + info.album, "A|T|L");
  EXPECT_EQ(info.duration, 186);
  EXPECT_EQ(info.timestamp, -5);
}

TEST(SecondsTest, TruncatedAndRoundedWithinThe32BitRange) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const struct {
    double seconds;
    std::int32_t truncated;
    std::int32_t rounded;
  } cases[] = {
      {185.6, 185, 186},
      {185.5, 185, 186},
      {185.4, 185, 185},
      {-2.5, -2, -3},
      {-2.7, -2, -3},
      {0.99, 0, 1},
      {std::nan(""), 0, 0},
      {kInf, kMax, kMax},
      {-kInf, kMin, kMin},
      {1e12, kMax, kMax},
      {2147483647.9, kMax, kMax},
      {-2147483648.9, kMin, kMin},
      {-2147483648.4, kMin, kMin},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(truncate_seconds(c.seconds), c.truncated) << c.seconds;
    EXPECT_EQ(round_seconds(c.seconds), c.rounded) << c.seconds;
  }
}

}  // namespace
}  // namespace foo_brivanto
