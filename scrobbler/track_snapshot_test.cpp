// The track snapshot: reading it from a track handle, its threshold, and whole seconds.
#include "scrobbler/track_snapshot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

#include "player/host/track.h"
#include "scrobbler/seconds.h"

namespace foo_brivanto {
namespace {

std::string text_of(const TrackSnapshot& s) {
  return s.artist + "|" + s.title + "|" + s.album + "|" + std::to_string(s.duration);
}

TEST(TrackSnapshotTest, ReadTrackInfoKeepsWhatTheTrackLacks) {
  file_info_impl info;
  info.meta_add("artist", "B");
  info.meta_add("album", "");
  TrackSnapshot s{"A", "T", "L", 100, 12, true, 1700000000};
  read_track_info(service_new<fbplayer::Track>(info, -1.0), s);
  EXPECT_EQ(text_of(s), "B|T||100.000000");
  read_track_info(service_new<fbplayer::Track>(file_info_impl(), 42.5, false), s);  // no info
  read_track_info(metadb_handle_ptr(), s);
  EXPECT_EQ(text_of(s), "B|T||42.500000");
  EXPECT_TRUE(s.now_playing_sent && s.position == 12 && s.started_at == 1700000000);
}

TEST(TrackSnapshotTest, ThresholdAndWhatIsSent) {
  const double durations[] = {0, -1, 7, 100, 480, 481};
  const double thresholds[] = {30, 30, 3.5, 50, 240, 240};
  for (std::size_t i = 0; i < std::size(durations); ++i) {
    const double duration = durations[i];
    const double threshold = thresholds[i];
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
  // clang-format off
  const struct { double seconds; std::int32_t truncated; std::int32_t rounded; } cases[] = {
      {185.5, 185, 186}, {185.4, 185, 185}, {-2.5, -2, -3}, {-2.7, -2, -3},
      {std::nan(""), 0, 0}, {kInf, kMax, kMax}, {-kInf, kMin, kMin}, {1e12, kMax, kMax},
      {2147483647.9, kMax, kMax}, {-2147483648.9, kMin, kMin}, {-2147483648.4, kMin, kMin}};
  // clang-format on
  for (const auto& c : cases) {
    EXPECT_EQ(truncate_seconds(c.seconds), c.truncated) << c.seconds;
    EXPECT_EQ(round_seconds(c.seconds), c.rounded) << c.seconds;
  }
}

}  // namespace
}  // namespace foo_brivanto
