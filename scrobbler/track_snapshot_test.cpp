// The rules of the track snapshot: its scrobble threshold, what it sends, and the seconds in
// its console lines and requests.
#include "scrobbler/track_snapshot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

#include "player/host/file_info_impl.h"
#include "player/host/track.h"
#include "scrobbler/seconds.h"

namespace foo_brivanto {
namespace {

// The player gives a track's length with its information: without that, nothing changes.
TEST(TrackSnapshotTest, ATrackWithoutInformationChangesNothing) {
  fbplayer::file_info_impl info;
  info.meta_add("title", "U");
  info.set_length(42.5);
  TrackSnapshot s{"A", "T", "L", 100, 12, true, 1700000000};
  read_track_info(service_new<fbplayer::Track>(info, false), s);
  EXPECT_EQ(s.artist + "|" + s.title + "|" + s.album + "|" + std::to_string(s.duration),
            "A|T|L|100.000000");
}

TEST(TrackSnapshotTest, ThresholdAndWhatIsSent) {
  for (const auto& [duration, threshold] : {std::pair{0.0, 30.0}, {7.0, 3.5}, {479.0, 239.5}}) {
    EXPECT_EQ((TrackSnapshot{"A", "T", "", duration, 0, false, 0}.scrobble_threshold()), threshold);
  }
  const TrackInfo info = TrackSnapshot{"A", "T", "L", 185.5, 0, false, -5}.to_track_info();
  EXPECT_EQ(info.artist + "|" + info.title + "|" + info.album + "|" +
                std::to_string(info.duration) + "|" + std::to_string(info.timestamp),
            "A|T|L|186|-5");
}

// Every track of 480 s or longer falls due at exactly 240.0 s: not a moment later, however its
// half compares with 240, and not rounded.
TEST(TrackSnapshotTest, TheCapIsExactly240Seconds) {
  for (const double duration : {480.0, 480.5, 481.0, 10'000.0}) {
    TrackSnapshot track{"A", "T", "", duration, 0, false, 0};
    EXPECT_EQ(track.scrobble_threshold(), 240.0) << duration;
    track.position = std::nextafter(240.0, 0.0);
    EXPECT_FALSE(track.should_scrobble()) << duration;
    track.position = 240.0;
    EXPECT_TRUE(track.should_scrobble()) << duration;
  }
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
