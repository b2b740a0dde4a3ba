// The playback tracker, driven through the stand-in player's commands, against the stand-in
// service: what the user reads in the console and what the service receives.
#include "scrobbler/scrobbler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <string>
#include <vector>

#include "player/player.h"
#include "player/script.h"
#include "settings/settings.h"
#include "tests/support/attached_host.h"
#include "tests/support/console_lines.h"
#include "tests/support/fixture_url.h"
#include "tests/support/settings_reset.h"
#include "tests/support/stand_in_service.h"

namespace foo_brivanto {
namespace {

using Lines = std::vector<std::string>;

struct Scenario {
  const char* name;
  // Player commands, one per line. Besides the player's own: "switches S N" sets the two
  // switches (1 or 0), "unauthorize" forgets the session key, "component stop|start" stops or
  // starts the tracker, "stop-reason N" stops playback with that reason.
  const char* script;
  Lines events;       // console lines of events and announcements, in order
  Lines outcomes;     // outcome lines, sorted
  Lines now_playing;  // titles the service received as now playing, sorted
  Lines scrobbles;    // titles the service received as scrobbles, sorted
};

class TrackerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session_ = brivanto_test::new_session_key(base_url_);
    brivanto_test::reset_settings(session_);
    create_scrobbler();
    host_->console().clear();
  }

  void TearDown() override {
    destroy_scrobbler();
    brivanto_test::settle_console(*host_);
  }

  void run(const std::string& script) {
    std::size_t start = 0;
    while (start < script.size()) {
      std::size_t end = script.find('\n', start);
      end = end == std::string::npos ? script.size() : end;
      run_line(script.substr(start, end - start));
      start = end + 1;
    }
  }

  void run_line(const std::string& line) {
    fbplayer::Command command;
    std::string error;
    ASSERT_TRUE(fbplayer::parse_command(line, command, error)) << line << ": " << error;
    const auto& w = command.words;
    if (command.name == "switches") {
      ASSERT_EQ(w.size(), 2U) << line;
      enable_scrobbling = w[0] == "1";
      enable_now_playing = w[1] == "1";
    } else if (command.name == "unauthorize") {
      session_key = "";
    } else if (command.name == "component") {
      ASSERT_EQ(w.size(), 1U) << line;
      w[0] == "start" ? create_scrobbler() : destroy_scrobbler();
    } else if (command.name == "stop-reason") {
      ASSERT_EQ(w.size(), 1U) << line;
      host_->playback().stop(static_cast<play_control::t_stop_reason>(std::stoi(w[0])));
      player_.run_tasks();
    } else {
      ASSERT_EQ(player_.execute(command, error), fbplayer::Player::Outcome::kContinue)
          << line << ": " << error;
    }
  }

  static Lines titles(const std::vector<brivanto_test::ReceivedCall>& calls) {
    Lines out;
    for (const auto& call : calls) {
      out.push_back(call.params.at("track"));
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  brivanto_test::AttachedHost host_;
  fbplayer::Player player_{*host_, 0};
  const std::string base_url_ = brivanto_test::fixture_url("service");
  std::string session_;
};

class TrackerScenarioTest : public TrackerTest, public ::testing::WithParamInterface<Scenario> {};

const Scenario kScenarios[] = {
    {"notice at the tick of exactly 3 s; stopped before the threshold",
     "add length=100 artist=\"A\" title=\"T\" album=\"L\"\nplay\nwait 3\nstop",
     {"Now playing: A - T (L) [100s, scrobble after 50s]", "Sending now playing: A - T (L)",
      "Scrobble skipped on playback stopped: played 3s / need 50s"},
     {"Now playing OK: A - T (L)"},
     {"T"},
     {}},
    {"scrobbled at the tick of exactly the threshold",
     "add length=100 artist=\"A\" title=\"T\"\nplay\nwait 50\nseek 10\nstop",
     {"Now playing: A - T [100s, scrobble after 50s]", "Sending now playing: A - T",
      "Sending scrobble: A - T"},
     {"Now playing OK: A - T", "Scrobble OK: A - T"},
     {"T"},
     {"T"}},
    {"7 s track: notice at 3 s, scrobble at 4 s, its end logs nothing",
     "add length=7 artist=\"A\" title=\"T\"\nplay\nwait 10",
     {"Now playing: A - T [7s, scrobble after 3s]", "Sending now playing: A - T",
      "Sending scrobble: A - T"},
     {"Now playing OK: A - T", "Scrobble OK: A - T"},
     {"T"},
     {"T"}},
    {"481 s track: half is 240.5, the threshold 240",
     "add length=481 artist=\"A\" title=\"T\"\nplay\nwait 240\nseek 0\nstop",
     {"Now playing: A - T [481s, scrobble after 240s]", "Sending now playing: A - T",
      "Sending scrobble: A - T"},
     {"Now playing OK: A - T", "Scrobble OK: A - T"},
     {"T"},
     {"T"}},
    {"600 s track: threshold 240 s",
     "add length=600.9 artist=\"A\" title=\"T\"\nplay\nwait 239\nstop",
     {"Now playing: A - T [600s, scrobble after 240s]", "Sending now playing: A - T",
      "Scrobble skipped on playback stopped: played 239s / need 240s"},
     {"Now playing OK: A - T"},
     {"T"},
     {}},
    {"seek forward past the threshold, then stop: scrobbled at the stop",
     "add length=300 artist=\"A\" title=\"T\"\nplay\nwait 10\nseek 200\nstop",
     {"Now playing: A - T [300s, scrobble after 150s]", "Sending now playing: A - T",
      "Sending scrobble: A - T"},
     {"Now playing OK: A - T", "Scrobble OK: A - T"},
     {"T"},
     {"T"}},
    {"seek forward, then back before a tick: no scrobble",
     "add length=300 artist=\"A\" title=\"T\"\nplay\nwait 10\nseek 200\nseek 10\nwait 5\nstop",
     {"Now playing: A - T [300s, scrobble after 150s]", "Sending now playing: A - T",
      "Scrobble skipped on playback stopped: played 15s / need 150s"},
     {"Now playing OK: A - T"},
     {"T"},
     {}},
    {"skip at 42 s: the old track's line comes before the new track's",
     "add length=240 artist=\"A\" title=\"T\"\nadd length=200 artist=\"B\" title=\"U\"\n"
     "play\nwait 42\nnext",
     {"Now playing: A - T [240s, scrobble after 120s]", "Sending now playing: A - T",
      "Scrobble skipped on track change: played 42s / need 120s",
      "Now playing: B - U [200s, scrobble after 100s]"},
     {"Now playing OK: A - T"},
     {"T"},
     {}},
    {"a track change scrobbles the old track after the new track's line",
     "add length=300 artist=\"A\" title=\"T\"\nadd length=200 artist=\"B\" title=\"U\"\n"
     "play\nwait 10\nseek 200\nnext",
     {"Now playing: A - T [300s, scrobble after 150s]", "Sending now playing: A - T",
      "Now playing: B - U [200s, scrobble after 100s]", "Sending scrobble: A - T"},
     {"Now playing OK: A - T", "Scrobble OK: A - T"},
     {"T"},
     {"T"}},
    {"tracks that end on their own after their threshold",
     "add length=10 artist=\"A\" title=\"T\"\nadd length=10 artist=\"B\" title=\"U\"\n"
     "play\nwait 25",
     {"Now playing: A - T [10s, scrobble after 5s]", "Sending now playing: A - T",
      "Sending scrobble: A - T", "Now playing: B - U [10s, scrobble after 5s]",
      "Sending now playing: B - U", "Sending scrobble: B - U"},
     {"Now playing OK: A - T", "Now playing OK: B - U", "Scrobble OK: A - T", "Scrobble OK: B - U"},
     {"T", "U"},
     {"T", "U"}},
    {"only now playing on: no scrobble, and no line when the track ends",
     "switches 0 1\nadd length=100 artist=\"A\" title=\"T\"\nplay\nwait 60\nstop",
     {"Now playing: A - T [100s, scrobble after 50s]", "Sending now playing: A - T"},
     {"Now playing OK: A - T"},
     {"T"},
     {}},
    {"only scrobbling on: no notice",
     "switches 1 0\nadd length=100 artist=\"A\" title=\"T\"\nplay\nwait 60",
     {"Now playing: A - T [100s, scrobble after 50s]", "Sending scrobble: A - T"},
     {"Scrobble OK: A - T"},
     {},
     {"T"}},
    {"both switches off, then on during a track: that track is not followed, the next is",
     "switches 0 0\nadd length=100 artist=\"A\" title=\"T\"\n"
     "add length=100 artist=\"B\" title=\"U\"\nplay\nswitches 1 1\nwait 10\nnext\nwait 5",
     {"Playback ignored: scrobbling and now playing are disabled",
      "Now playing: B - U [100s, scrobble after 50s]", "Sending now playing: B - U"},
     {"Now playing OK: B - U"},
     {"U"},
     {}},
    {"a title without artist: warned, never sent, skipped with missing tags",
     "add length=100 title=\"T\"\nplay\nwait 60\nstop",
     {"Now playing:  - T [100s, scrobble after 50s]",
      "WARNING: missing artist/title tags — scrobble will not be sent",
      "Scrobble skipped on playback stopped: played 60s / need 50s, missing tags"},
     {},
     {},
     {}},
    {"a tag edit that adds the artist makes the track eligible from the next tick",
     "add length=100 title=\"T\"\nplay\nwait 60\nedit artist=\"A\"\nwait 1",
     {"Now playing:  - T [100s, scrobble after 50s]",
      "WARNING: missing artist/title tags — scrobble will not be sent",
      "Sending now playing: A - T", "Sending scrobble: A - T"},
     {"Now playing OK: A - T", "Scrobble OK: A - T"},
     {"T"},
     {"T"}},
    {"dynamic stream information replaces the names",
     "add length=100 artist=\"Radio\" title=\"Stream\" album=\"L\"\nplay\n"
     "dynamic artist=\"A\" title=\"Song\"\nwait 60",
     {"Now playing: Radio - Stream (L) [100s, scrobble after 50s]",
      "Sending now playing: A - Song (L)", "Sending scrobble: A - Song (L)"},
     {"Now playing OK: A - Song (L)", "Scrobble OK: A - Song (L)"},
     {"Song"},
     {"Song"}},
    {"no session key: warned; the notice is dropped silently, the scrobble with a line",
     "unauthorize\nadd length=100 artist=\"A\" title=\"T\"\nplay\nwait 60",
     {"Now playing: A - T [100s, scrobble after 50s]",
      "WARNING: not authorized — click Complete authorization, then Apply",
      "Scrobble skipped: not authorized"},
     {},
     {},
     {}},
    {"started during playback: following begins with the next track",
     "component stop\nadd length=100 artist=\"A\" title=\"T\"\n"
     "add length=100 artist=\"B\" title=\"U\"\nplay\ncomponent start\nwait 60\nnext\nwait 5",
     {"Scrobbler registered — open View → Console for debug output", "{server line}",
      "Now playing: B - U [100s, scrobble after 50s]", "Sending now playing: B - U"},
     {"Now playing OK: B - U"},
     {"U"},
     {}},
    {"a stop while shutting down is a stop like any other",
     "add length=100 artist=\"A\" title=\"T\"\nplay\nwait 20\nstop-reason 3\nplay\nwait 2\n"
     "seek 70\nstop-reason 3",
     {"Now playing: A - T [100s, scrobble after 50s]", "Sending now playing: A - T",
      "Scrobble skipped on playback stopped: played 20s / need 50s",
      "Now playing: A - T [100s, scrobble after 50s]", "Sending scrobble: A - T"},
     {"Now playing OK: A - T", "Scrobble OK: A - T"},
     {"T"},
     {"T"}},
    {"component stop drops the followed track without a line",
     "add length=100 artist=\"A\" title=\"T\"\nplay\nwait 5\nseek 80\ncomponent stop",
     {"Now playing: A - T [100s, scrobble after 50s]", "Sending now playing: A - T"},
     {"Now playing OK: A - T"},
     {"T"},
     {}},
    {"a track without a known length is ignored",
     "add length=0 artist=\"A\" title=\"T\"\nplay\nwait 60",
     {"Playback ignored: invalid track or unknown duration"},
     {},
     {},
     {}},
};

TEST_P(TrackerScenarioTest, ConsoleAndService) {
  const Scenario& s = GetParam();
  SCOPED_TRACE(s.script);
  run(s.script);
  const auto lines = brivanto_test::settle_console(*host_);
  Lines events = s.events;
  for (std::string& line : events) {
    if (line == "{server line}") {
      line = "Server " + base_url_ + ", scrobbling=on, now playing=on, authorized=yes";
    }
  }
  EXPECT_EQ(lines.events, events);
  EXPECT_EQ(lines.outcomes, s.outcomes);
  const auto history = brivanto_test::fetch_history(base_url_, session_);
  EXPECT_EQ(titles(history.now_playing), s.now_playing);
  EXPECT_EQ(titles(history.scrobbles), s.scrobbles);
}

std::string scenario_name(const ::testing::TestParamInfo<Scenario>& info) {
  std::string name;
  for (const char* c = info.param.name; *c != '\0' && name.size() < 60; ++c) {
    const bool word = std::isalnum(static_cast<unsigned char>(*c)) != 0;
    if (word) {
      name.push_back(*c);
    } else if (!name.empty() && name.back() != '_') {
      name.push_back('_');
    }
  }
  return std::to_string(info.index) + "_" + name;
}

INSTANTIATE_TEST_SUITE_P(Tracker, TrackerScenarioTest, ::testing::ValuesIn(kScenarios),
                         scenario_name);

TEST_F(TrackerTest, ScrobbleCarriesWhenTheTrackStartedAndItsRoundedLength) {
  const auto now = [] {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
  };
  const long long before = now();
  run("add length=185.5 artist=\"A\" title=\"T\" album=\"L\"\nplay\nwait 100");
  const long long after = now();
  brivanto_test::settle_console(*host_);

  const auto history = brivanto_test::fetch_history(base_url_, session_key.get());
  ASSERT_EQ(history.scrobbles.size(), 1U);
  const auto& params = history.scrobbles[0].params;
  EXPECT_EQ(params.at("duration"), "186");
  EXPECT_EQ(params.at("album"), "L");
  const long long timestamp = std::stoll(params.at("timestamp"));
  EXPECT_GE(timestamp, before);
  EXPECT_LE(timestamp, after);
  ASSERT_EQ(history.now_playing.size(), 1U);
  EXPECT_EQ(history.now_playing[0].params.count("timestamp"), 0U);
}

}  // namespace
}  // namespace foo_brivanto
