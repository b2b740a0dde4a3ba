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

using Tags = std::vector<std::pair<const char*, const char*>>;

metadb_handle_ptr make_track(const Tags& tags, double length, bool has_info = true) {
  file_info_impl info;
  for (const auto& [name, value] : tags) {
    info.meta_add(name, value);
  }
  return service_new<fbplayer::Track>(info, length, has_info);
}

TrackSnapshot snapshot_of(std::string artist, std::string title, std::string album,
                          double duration) {
  TrackSnapshot s;
  s.artist = std::move(artist);
  s.title = std::move(title);
  s.album = std::move(album);
  s.duration = duration;
  return s;
}

TEST(ReadTrackInfoTest, TakesFirstValuesAndKeepsWhatTheTrackLacks) {
  const struct {
    const char* what;
    TrackSnapshot before;
    Tags tags;
    double length;
    bool has_info;
    TrackSnapshot after;
  } cases[] = {
      {"fresh snapshot, two artists",
       {},
       {{"artist", "A1"}, {"artist", "A2"}, {"title", "T"}, {"album", "L"}},
       185.6,
       true,
       snapshot_of("A1", "T", "L", 185.6)},
      {"field names in other letter case",
       {},
       {{"ARTIST", "A"}, {"Title", "T"}},
       10,
       true,
       snapshot_of("A", "T", "", 10)},
      {"tag edit removes the album",
       snapshot_of("A", "T", "Old", 100),
       {{"artist", "A"}, {"title", "T2"}},
       100,
       true,
       snapshot_of("A", "T2", "Old", 100)},
      {"edit with unknown length keeps the duration",
       snapshot_of("A", "T", "L", 100),
       {{"artist", "B"}},
       0,
       true,
       snapshot_of("B", "T", "L", 100)},
      {"negative length keeps the duration",
       snapshot_of("A", "T", "", 100),
       {},
       -1,
       true,
       snapshot_of("A", "T", "", 100)},
      {"no information: texts stay, length is still read",
       snapshot_of("A", "T", "L", 0),
       {{"artist", "X"}},
       42.5,
       false,
       snapshot_of("A", "T", "L", 42.5)},
      {"empty tag value counts as a value",
       snapshot_of("A", "T", "L", 5),
       {{"album", ""}},
       5,
       true,
       snapshot_of("A", "T", "", 5)},
  };
  for (const auto& c : cases) {
    TrackSnapshot s = c.before;
    s.position = 12;
    s.now_playing_sent = true;
    s.started_at = 1700000000;
    read_track_info(make_track(c.tags, c.length, c.has_info), s);
    EXPECT_EQ(s.artist, c.after.artist) << c.what;
    EXPECT_EQ(s.title, c.after.title) << c.what;
    EXPECT_EQ(s.album, c.after.album) << c.what;
    EXPECT_EQ(s.duration, c.after.duration) << c.what;
    EXPECT_EQ(s.position, 12) << c.what;
    EXPECT_TRUE(s.now_playing_sent) << c.what;
    EXPECT_EQ(s.started_at, 1700000000) << c.what;
  }
}

TEST(ReadTrackInfoTest, NullHandleChangesNothing) {
  TrackSnapshot s = snapshot_of("A", "T", "L", 3);
  read_track_info(metadb_handle_ptr(), s);
  EXPECT_EQ(s.describe(), "A - T (L)");
  EXPECT_EQ(s.duration, 3);
}

TEST(TrackSnapshotTest, Describe) {
  const struct {
    TrackSnapshot track;
    const char* text;
  } cases[] = {
      {snapshot_of("A", "T", "L", 0), "A - T (L)"},
      {snapshot_of("A", "T", "", 0), "A - T"},
      {snapshot_of("", "T", "", 0), " - T"},
      {snapshot_of("A", "", "L", 0), "A -  (L)"},
      {snapshot_of("", "", "", 0), " - "},
      {snapshot_of("Мумий Тролль", "Утекай", "Морская", 0), "Мумий Тролль - Утекай (Морская)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.track.describe(), c.text);
  }
}

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::nan("");

TEST(TrackSnapshotTest, TrackInfoRoundsDurationHalvesAwayFromZeroAndClamps) {
  const struct {
    double duration;
    std::int32_t rounded;
  } cases[] = {
      {185.5, 186},
      {185.4, 185},
      {185.6, 186},
      {0.5, 1},
      {2.5, 3},
      {0.0, 0},
      {-2.5, -3},
      {kNaN, 0},
      {kInf, kMax},
      {-kInf, kMin},
      {1e12, kMax},
      {-1e12, kMin},
      {2147483646.6, kMax},
      {-2147483648.4, kMin},
  };
  for (const auto& c : cases) {
    TrackSnapshot s = snapshot_of("A", "T", "L", c.duration);
    s.started_at = -5;
    const TrackInfo info = s.to_track_info();
    EXPECT_EQ(info.duration, c.rounded) << c.duration;
    EXPECT_EQ(info.timestamp, -5);
    EXPECT_EQ(info.artist + "|" + info.title + "|" + info.album, "A|T|L");
  }
}

TEST(SecondsTest, TruncateCutsTowardZeroAndClamps) {
  const struct {
    double seconds;
    std::int32_t whole;
  } cases[] = {
      {185.6, 185},
      {92.8, 92},
      {-2.7, -2},
      {0.99, 0},
      {kNaN, 0},
      {kInf, kMax},
      {-kInf, kMin},
      {2147483647.9, kMax},
      {2147483648.0, kMax},
      {-2147483648.9, kMin},
      {-1e300, kMin},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(truncate_seconds(c.seconds), c.whole) << c.seconds;
  }
}

}  // namespace
}  // namespace foo_brivanto
