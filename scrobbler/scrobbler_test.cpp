// The scrobbling engine: the tracker driven through the stand-in player's commands and
// submission dispatch against the stand-in service (what the user reads in the console, what the
// service receives).
#include "scrobbler/scrobbler.h"
#include "scrobbler/submission.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <utility>
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

// The tracker's clock: it starts at kStart and moves with the player's simulated time.
constexpr std::int64_t kStart = 1'000'000'000;
std::int64_t g_now = kStart;

// Parts separated by "|". script: player commands, "switches S N" (1 or 0), "[un]authorize",
// "component stop|start", "stop-reason N"; console: lines of events and announcements in order;
// service: what it accepted, sorted: "np TITLE", "scrobble TITLE@S" (S: seconds after kStart).
struct Scenario {
  const char* script;
  const char* console;
  const char* service;
};

const Scenario kScenarios[] = {
    {"add length=100 artist=A artist=B title=T album=L|add length=481.6 artist=B title=U|play|"
     "wait 3|next|wait 240|seek 0|stop",
     "Now playing: A - T (L) [100s, scrobble after 50s]|Sending now playing: A - T (L)|"
     "Scrobble skipped on track change: played 3s / need 50s|"
     "Now playing: B - U [481s, scrobble after 240s]|Sending now playing: B - U|"
     "Sending scrobble: B - U",
     "np T|np U|scrobble U@3"},
    {"add length=100 artist=A title=T|play|wait 10|pause|wait 100|resume|wait 40|seek 10|stop",
     "Now playing: A - T [100s, scrobble after 50s]|Sending now playing: A - T|"
     "Sending scrobble: A - T",
     "np T|scrobble T@0"},
    {"add length=300 artist=A title=T|add length=300 artist=B title=U|"
     "add length=200 artist=C title=V|play|wait 10|seek 200|seek 10|wait 5|next|wait 10|seek 200|"
     "next|wait 10|seek 150|stop",
     "Now playing: A - T [300s, scrobble after 150s]|Sending now playing: A - T|"
     "Scrobble skipped on track change: played 15s / need 150s|"
     "Now playing: B - U [300s, scrobble after 150s]|Sending now playing: B - U|"
     "Now playing: C - V [200s, scrobble after 100s]|Sending scrobble: B - U|"
     "Sending now playing: C - V|Sending scrobble: C - V",
     "np T|np U|np V|scrobble U@15|scrobble V@25"},
    {"switches 1 0|add length=100 artist=A title=T|add length=100 artist=B title=U|play|wait 60|"
     "switches 0 1|next|wait 60|stop",
     "Now playing: A - T [100s, scrobble after 50s]|Sending scrobble: A - T|"
     "Now playing: B - U [100s, scrobble after 50s]|Sending now playing: B - U",
     "np U|scrobble T@0"},
    {"switches 0 0|add length=0 artist=A title=T|add length=100 artist=B title=U|"
     "add length=100 artist=C title=V|play|next|switches 1 1|wait 10|next|wait 5",
     "Playback ignored: scrobbling and now playing are disabled|"
     "Playback ignored: scrobbling and now playing are disabled|"
     "Now playing: C - V [100s, scrobble after 50s]|Sending now playing: C - V",
     "np V"},
    {"add length=0 artist=A title=T|add length=100 title=T|add length=100 artist=A|play|wait 9|"
     "next|wait 60|next|wait 60|stop",
     "Playback ignored: invalid track or unknown duration|"
     "Now playing:  - T [100s, scrobble after 50s]|"
     "WARNING: missing artist/title tags — scrobble will not be sent|"
     "Scrobble skipped on track change: played 60s / need 50s, missing tags|"
     "Now playing: A -  [100s, scrobble after 50s]|"
     "WARNING: missing artist/title tags — scrobble will not be sent|"
     "Scrobble skipped on playback stopped: played 60s / need 50s, missing tags",
     ""},
    {"add length=100 title=T album=L|play|wait 5|edit artist=A|wait 1|edit length=-1|edit "
     "length=20 album=\"\"|"
     "wait 5",
     "Now playing:  - T (L) [100s, scrobble after 50s]|"
     "WARNING: missing artist/title tags — scrobble will not be sent|"
     "Sending now playing: A - T (L)|Sending scrobble: A - T (L)",
     "np T|scrobble T@0"},
    {"add length=100 artist=R title=S album=L|play|dynamic artist=A title=U album=\"\"|wait 60",
     "Now playing: R - S (L) [100s, scrobble after 50s]|Sending now playing: A - U|"
     "Sending scrobble: A - U",
     "np U|scrobble U@0"},
    {"unauthorize|add length=100 artist=A title=T|add length=100 artist=B title=U|play|wait 10|"
     "seek 60|next|wait 10|authorize|wait 50",
     "Now playing: A - T [100s, scrobble after 50s]|"
     "WARNING: not authorized — click Complete authorization, then Apply|"
     "Scrobble skipped: not authorized|Now playing: B - U [100s, scrobble after 50s]|"
     "WARNING: not authorized — click Complete authorization, then Apply|Sending scrobble: B - U",
     "scrobble U@10"},
    {"component stop|add length=100 artist=A title=T|add length=100 artist=B title=U|play|"
     "component start|wait 60|next|wait 5",
     "Scrobbler registered — open View → Console for debug output|"
     "Server {url}, scrobbling=on, now playing=on, authorized=yes|"
     "Now playing: B - U [100s, scrobble after 50s]|Sending now playing: B - U",
     "np U"},
    {"add length=100 artist=A title=T|play|wait 20|stop-reason 1|play|wait 2|seek 70|stop-reason 3|"
     "play|wait 5|seek 80|component stop",
     "Now playing: A - T [100s, scrobble after 50s]|Sending now playing: A - T|"
     "Scrobble skipped on playback stopped: played 20s / need 50s|"
     "Now playing: A - T [100s, scrobble after 50s]|Sending scrobble: A - T|"
     "Now playing: A - T [100s, scrobble after 50s]|Sending now playing: A - T",
     "np T|np T|scrobble T@20"},
};

// Runs one line of a scenario's script; the player runs its own commands.
void run_line(fbplayer::Host& host, fbplayer::Player& player, const std::string& line,
              const std::string& session) {
  fbplayer::Command command;
  std::string error;
  ASSERT_TRUE(fbplayer::parse_command(line, command, error)) << line << ": " << error;
  const auto& w = command.words;
  if (command.name == "switches") {
    enable_scrobbling = w.at(0) == "1";
    enable_now_playing = w.at(1) == "1";
  } else if (command.name == "unauthorize" || command.name == "authorize") {
    session_key = command.name == "authorize" ? session : "";
  } else if (command.name == "component") {
    w.at(0) == "start" ? create_scrobbler([] { return g_now; }) : destroy_scrobbler();
  } else if (command.name == "stop-reason") {
    host.playback().stop(static_cast<play_control::t_stop_reason>(std::stoi(w.at(0))));
    player.run_tasks();
  } else if (command.name == "wait") {  // a second at a time: the clock keeps pace with playback
    for (int second = 0; second < std::stoi(w.at(0)); ++second) {
      ++g_now;
      player.execute({"wait", {"1"}, {}}, error);
    }
  } else {
    ASSERT_EQ(player.execute(command, error), fbplayer::Player::Outcome::kContinue)
        << line << error;
  }
}

// Plays `s` with a fresh tracker and session, and checks the console and the service.
void play(const Scenario& s) {
  const std::string base_url = brivanto_test::fixture_url("service");
  SCOPED_TRACE(s.script);
  brivanto_test::AttachedHost host;
  fbplayer::Player player(*host, 0);
  const std::string session = brivanto_test::new_session_key(base_url);
  brivanto_test::reset_settings(session);
  g_now = kStart;
  create_scrobbler([] { return g_now; });
  host->console().clear();
  std::istringstream script(s.script);
  for (std::string line; std::getline(script, line, '|');) {
    run_line(*host, player, line, session);
  }
  destroy_scrobbler();

  std::string console = s.console;
  if (const auto at = console.find("{url}"); at != std::string::npos) {
    console.replace(at, 5, base_url);
  }
  EXPECT_EQ(brivanto_test::settle_console(*host).events, console);
  std::vector<std::string> received;
  const auto history = brivanto_test::fetch_history(base_url, session);
  for (const auto& [calls, kind] :
       {std::pair{&history.now_playing, "np "}, {&history.scrobbles, "scrobble "}}) {
    for (const auto& call : *calls) {
      const auto at = call.params.find("timestamp");
      received.push_back(
          kind + call.params.at("track") +
          (at == call.params.end() ? "" : "@" + std::to_string(std::stoll(at->second) - kStart)));
    }
  }
  std::sort(received.begin(), received.end());
  EXPECT_EQ(brivanto_test::joined(received), s.service);
}

TEST(TrackerTest, ConsoleAndService) {
  for (const Scenario& s : kScenarios) {
    play(s);
  }
}

// The first tick can find both due, after a seek past the threshold before the notice went out,
// or on a track whose threshold is 3 s or less: both go out, the notice first.
TEST(TrackerTest, OneTickWithBothDueSendsTheNoticeThenTheScrobble) {
  const Scenario scenarios[] = {
      {"add length=300 artist=A title=T|play|seek 200|wait 1",
       "Now playing: A - T [300s, scrobble after 150s]|Sending now playing: A - T|"
       "Sending scrobble: A - T",
       "np T|scrobble T@0"},
      {"add length=6 artist=A title=T|play|wait 3",
       "Now playing: A - T [6s, scrobble after 3s]|Sending now playing: A - T|"
       "Sending scrobble: A - T",
       "np T|scrobble T@0"},
  };
  for (const Scenario& s : scenarios) {
    play(s);
  }
}

// A tag edit of the playing track changes its tags and length, and nothing of what the tracker
// knows of it: how far it was heard, whether it was noticed, when it started.
TEST(TrackerTest, AnEditKeepsWhatWasHeardAndNoticed) {
  const Scenario scenarios[] = {
      {"add length=100 artist=A title=T|play|wait 5|seek 60|edit title=U|stop",
       "Now playing: A - T [100s, scrobble after 50s]|Sending now playing: A - T|"
       "Sending scrobble: A - U",
       "np T|scrobble U@0"},
      {"add length=100 artist=A title=T|play|wait 5|edit title=U|wait 1|stop",
       "Now playing: A - T [100s, scrobble after 50s]|Sending now playing: A - T|"
       "Scrobble skipped on playback stopped: played 6s / need 50s",
       "np T"},
  };
  for (const Scenario& s : scenarios) {
    play(s);
  }
}

TEST(SubmissionTest, OneLinePerOutcome) {
  brivanto_test::AttachedHost host;
  brivanto_test::reset_settings();
  const std::string base = brivanto_test::fixture_url("service");
  const std::string session = brivanto_test::new_session_key(base);
  const TrackSnapshot track{"A", "T", "", 0, 0, false, 0};
  const struct {
    std::string base_url;
    std::string session;  // forgotten right after dispatch: each task keeps its copy
    std::string error;    // of both requests; empty when both succeed
  } cases[] = {
      {base, session, ""},
      {brivanto_test::fixture_url("http_server") + "/barrier/2", "k", ""},  // side by side
      {"http://127.0.0.1:1", session, "WinHttpSendRequest failed"},
      {base, "ffffffffffffffffffffffffffffffff", R"({"error":6,"message":"Invalid session key"})"},
      {"http://127.0.0.1:x", session, "internal error: invalid stoi argument"},
  };
  for (const auto& c : cases) {
    host->console().clear();
    session_key = c.session;
    ServiceConfig config = make_service_config();
    config.base_url = c.base_url;
    send_now_playing(track, config);
    send_scrobble(track, config);
    session_key = "";
    const auto lines = brivanto_test::settle_console(*host);
    EXPECT_EQ(lines.events, "Sending now playing: A - T|Sending scrobble: A - T");
    EXPECT_EQ(lines.outcomes,
              c.error.empty() ? "Now playing OK: A - T|Scrobble OK: A - T"
                              : "Now playing FAILED: " + c.error + "|Scrobble FAILED: " + c.error);
  }
  EXPECT_EQ(outcome_line(Submission::kNowPlaying, false, track, "") + "|" +
                outcome_line(Submission::kScrobble, false, track, ""),
            "Now playing FAILED: unknown error|Scrobble FAILED: unknown error");
}

}  // namespace
}  // namespace foo_brivanto
