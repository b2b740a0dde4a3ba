// Listeners' sessions played through the stand-in player against a misbehaving service, on the
// Linux build and on the Windows build under Wine (see scenario.h). Each TEST is one CTest
// test, listed in CMakeLists.txt.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "tests/scenario/scenario.h"

namespace brivanto_test {
namespace {

using brivanto_service::Outage;

// Without kept scrobbles (the switch is off by default), a scrobble the service cannot take is
// reported and lost, the next one goes through as soon as the service is back, and nothing is
// written for later: the profile gets no journal folder.
TEST(Scenario, AScrobbleWhileConnectionsAreRefusedFailsAndTheNextArrivesOnceTheServiceIsBack) {
  Scenario s("refused_for_one_track");
  s.start_player();
  s.authorize();
  s.send(R"(add length=60 artist="Кино" title="Кукушка")");
  s.send(R"(add length=60 artist="Земфира" title="Ромашки")");
  s.set_outage(Outage::kRefuse);
  s.send("play");
  s.send("wait 31");
  s.wait_for_line("Now playing FAILED: ");
  s.wait_for_line("Scrobble FAILED: ");
  s.set_outage(Outage::kNone);
  const std::int64_t second_started = unix_now();
  s.send("wait 60");  // the rest of the first track and half of the second
  s.wait_for_line("Now playing OK: Земфира - Ромашки");
  s.wait_for_line("Scrobble OK: Земфира - Ромашки");
  EXPECT_EQ(s.quit_player(), 0);
  for (const std::string& line : s.lines()) {
    EXPECT_EQ(line.find("kept"), std::string::npos) << line;
    EXPECT_EQ(line.find("Journal"), std::string::npos) << line;
  }
  EXPECT_TRUE(std::filesystem::is_directory(s.profile()));
  EXPECT_FALSE(std::filesystem::exists(s.profile() + "/foo_brivanto"));

  const auto scrobbles = s.scrobbles();
  ASSERT_EQ(scrobbles.size(), 1U);
  EXPECT_EQ(scrobbles[0].params.at("track"), "Ромашки");
  EXPECT_EQ(scrobbles[0].params.at("artist"), "Земфира");
  // Playback time is simulated: the track started moments ago.
  const std::int64_t started = std::stoll(scrobbles[0].params.at("timestamp"));
  EXPECT_GE(started, second_started - 1);
  EXPECT_LE(started, unix_now());
  ASSERT_EQ(s.now_playing().size(), 1U);
  EXPECT_EQ(s.now_playing()[0].params.at("track"), "Ромашки");
}

// A player killed while its requests hang loses nothing of its profile: restarted, it is still
// linked and scrobbles. What it had sent reaches the service once the service answers again,
// though nobody is left to hear the answer.
TEST(Scenario, APlayerKilledWhileItsRequestsHangRestartsLinkedAndItsSentScrobbleStillCounts) {
  Scenario s("killed_while_requests_hang");
  s.start_player();
  s.authorize();
  EXPECT_EQ(s.quit_player(), 0);

  s.start_player();
  s.wait_for_line("authorized=yes");
  s.send(R"(add length=100 artist="Аквариум" title="Город")");
  s.set_outage(Outage::kNeverAnswer);
  s.send("play");
  s.send("wait 51");
  s.wait_for_line("Sending scrobble: Аквариум - Город");
  ASSERT_TRUE(s.service().wait_until_held(2, Scenario::kDeadline));  // the notice and the scrobble
  EXPECT_EQ(s.kill_player(), 137);
  EXPECT_EQ(s.scrobbles().size(), 0U);
  s.set_outage(Outage::kNone);
  s.wait_for_scrobbles(1);

  s.start_player();
  s.wait_for_line("authorized=yes");
  s.send(R"(add length=100 artist="ДДТ" title="Осень")");
  s.send("play");
  s.send("wait 51");
  s.wait_for_line("Scrobble OK: ДДТ - Осень");
  EXPECT_EQ(s.quit_player(), 0);
  const auto scrobbles = s.wait_for_scrobbles(2);
  ASSERT_EQ(scrobbles.size(), 2U);
  EXPECT_EQ(scrobbles[0].params.at("track"), "Город");
  EXPECT_EQ(scrobbles[1].params.at("track"), "Осень");
}

}  // namespace
}  // namespace brivanto_test
