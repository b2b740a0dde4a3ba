// Kept scrobbles played through the stand-in player (see scenario.h): the switch turned on on
// the preferences page, the service down while tracks play, then back. Each TEST is one CTest
// test per build, listed in CMakeLists.txt.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/scenario/scenario.h"

namespace brivanto_test {
namespace {

using brivanto_service::Outage;
using brivanto_service::Received;

// Waits for the clock to pass the second `unix_seconds`: a scrobble stamped when it is sent
// after this can no longer pass for one stamped when its track started before it.
void wait_for_the_clock_to_pass(std::int64_t unix_seconds) {
  using Clock = std::chrono::system_clock;
  std::this_thread::sleep_until(Clock::time_point(std::chrono::seconds(unix_seconds + 1)));
}

// When a track started, as the driver can tell: after `from`, before `to`.
struct Started {
  std::int64_t from = 0;
  std::int64_t to = 0;
};

// Plays each of `titles` (by "Кино", 60 s long, added in this order, the first one not yet
// playing) to its scrobble while the service is down, and waits until each is kept.
std::vector<Started> play_while_down(Scenario& s, const std::vector<std::string>& titles) {
  std::vector<Started> started;
  for (std::size_t i = 0; i < titles.size(); ++i) {
    const std::int64_t from = unix_now();
    s.send(i == 0 ? "play" : "next");
    s.send("wait 31");
    s.wait_for_line("Scrobble kept for later: Кино - " + titles[i] + " (Звезда по имени Солнце) (" +
                    std::to_string(i + 1) + " waiting)");
    started.push_back({from, unix_now()});
  }
  return started;
}

// The scrobbles kept while the service was down arrived as the tracks were: each once, in
// order, with its own tags and the moment its track started.
void expect_kept(const std::vector<Received>& received, const std::vector<std::string>& titles,
                 const std::vector<Started>& started) {
  ASSERT_EQ(received.size(), titles.size());
  for (std::size_t i = 0; i < titles.size(); ++i) {
    SCOPED_TRACE(titles[i]);
    EXPECT_EQ(received[i].params.at("track"), titles[i]);
    EXPECT_EQ(received[i].params.at("artist"), "Кино");
    EXPECT_EQ(received[i].params.at("album"), "Звезда по имени Солнце");
    EXPECT_EQ(received[i].params.at("duration"), "60");
    const std::int64_t timestamp = std::stoll(received[i].params.at("timestamp"));
    EXPECT_GE(timestamp, started[i].from);
    EXPECT_LE(timestamp, started[i].to);
    EXPECT_GT(received[i].received_at, started[i].to);  // it was sent later indeed
  }
}

void add_tracks(Scenario& s, const std::vector<std::string>& titles) {
  for (const std::string& title : titles) {
    s.send(R"(add length=60 artist="Кино" album="Звезда по имени Солнце" title=")" + title + "\"");
  }
}

class ThreeKeptScrobbles : public testing::TestWithParam<Outage> {};

// While the first kept scrobble is held at the service, a track played after the service is
// back gets its notice and its scrobble through: live ones never wait for the journal.
TEST_P(ThreeKeptScrobbles, ArriveOnceInOrderWithTheirStartTimesAndLiveOnesDoNotWaitForThem) {
  Scenario s("three_kept_" + std::string(outage_name(GetParam())));
  s.start_player();
  s.authorize();
  s.turn_on_keeping();
  const std::vector<std::string> titles = {"Группа крови", "Кукушка", "Звезда"};
  add_tracks(s, titles);
  s.send(R"(add length=60 artist="ДДТ" title="Осень")");
  s.set_outage(GetParam());
  const std::vector<Started> started = play_while_down(s, titles);
  EXPECT_TRUE(s.scrobbles().empty());

  wait_for_the_clock_to_pass(started.back().to);
  s.hold_scrobbles_of(titles[0]);
  s.set_outage(Outage::kNone);
  s.send("next");
  s.send("wait 4");  // the notice is accepted, and the journal's round begins
  s.wait_for_line("Now playing OK: ДДТ - Осень");
  s.wait_until_holding(1);
  s.send("wait 27");
  s.wait_for_line("Scrobble OK: ДДТ - Осень");
  ASSERT_EQ(s.scrobbles().size(), 1U);
  EXPECT_EQ(s.scrobbles()[0].params.at("track"), "Осень");

  s.release_held();
  for (const std::string& title : titles)
    s.wait_for_line("Kept scrobble OK: Кино - " + title + " (Звезда по имени Солнце)");
  s.send("prefs open");
  s.send("prefs show");
  s.wait_for_line("Nothing waiting");
  s.send("prefs close");
  EXPECT_EQ(s.quit_player(), 0);

  auto received = s.scrobbles();
  ASSERT_EQ(received.size(), 4U);
  received.erase(received.begin());
  expect_kept(received, titles, started);
}

INSTANTIATE_TEST_SUITE_P(Outages, ThreeKeptScrobbles,
                         testing::Values(Outage::kRefuse, Outage::kUnavailable,
                                         Outage::kRejectSessionKey),
                         [](const testing::TestParamInfo<Outage>& param) {
                           std::string name(outage_name(param.param));
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

// What waits when the player quits survives it. Started again while the service is still down,
// the player tries what waits soon after its start, and keeps it when the try fails; once the
// service is back, the first exchange it accepts sends it all.
TEST(KeptScrobbles, SurviveAQuitAndAFailedTryAndArriveOnceTheServiceIsBack) {
  Scenario s("kept_across_a_restart");
  s.start_player();
  s.authorize();
  s.turn_on_keeping();
  const std::vector<std::string> titles = {"Пачка сигарет", "Спокойная ночь"};
  add_tracks(s, titles);
  s.set_outage(Outage::kRefuse);
  const std::vector<Started> started = play_while_down(s, titles);
  EXPECT_EQ(s.quit_player(), 0);

  s.start_player();
  s.wait_for_line("Journal: loaded, 2 scrobbles waiting");
  s.wait_for_line("Sending kept scrobble: Кино - " + titles[0]);  // within seconds of the start
  s.wait_for_line("Kept scrobble FAILED: ");
  s.set_outage(Outage::kNone);
  s.send(R"(add length=60 artist="ДДТ" title="Осень")");
  s.send("play");
  s.send("wait 4");
  s.wait_for_line("Now playing OK: ДДТ - Осень");
  s.wait_for_line("Kept scrobble OK: Кино - " + titles[1]);
  EXPECT_EQ(s.quit_player(), 0);
  expect_kept(s.scrobbles(), titles, started);
}

}  // namespace
}  // namespace brivanto_test
