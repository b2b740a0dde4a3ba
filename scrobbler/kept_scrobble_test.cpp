// Scrobbles kept and sent later, through submission dispatch and the component's journal,
// against the stand-in service: what is kept and what is not, what the console says, and what
// the service finally receives.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "api/api_client.h"
#include "api/service_identity.h"
#include "journal/journal.h"
#include "journal/journal_test_files.h"
#include "scrobbler/submission.h"
#include "settings/settings.h"
#include "tests/support/attached_host.h"
#include "tests/support/console_lines.h"
#include "tests/support/fixture_url.h"
#include "tests/support/settings_reset.h"
#include "tests/support/stand_in_service.h"

namespace foo_brivanto {
namespace {

constexpr std::int64_t kStart = 1'200'000'000;

// What the component printed since the last call, without its prefix, once `last` is among it.
std::string lines_until(fbplayer::Host& host, const std::string& last) {
  const auto printed = [&] {
    for (const std::string& line : host.console().lines()) {
      if (line == "foo_brivanto: " + last) {
        return true;
      }
    }
    return false;
  };
  EXPECT_TRUE(host.main_thread().run_until(
      printed, std::chrono::steady_clock::now() + std::chrono::seconds(30)))
      << "never printed: " << last;
  std::vector<std::string> lines = host.console().lines();
  host.console().clear();
  for (std::string& line : lines) {
    line.erase(0, line.starts_with("foo_brivanto: ") ? 14 : 0);
  }
  return brivanto_test::joined(lines);
}

TEST(KeptScrobbleTest, KeptWhenCurableAndSentLaterAsTheyWere) {
  brivanto_test::AttachedHost host;
  const std::string base = brivanto_test::fixture_url("service");
  const std::string http = brivanto_test::fixture_url("http_server");
  const std::string session = brivanto_test::new_session_key(base);
  // A folder of this run's own, named in more than ASCII: presets run side by side.
  const brivanto_test::TempFolder profile;
  host->set_profile_path("file://" + profile.path());
  brivanto_test::reset_settings(session);
  keep_unsent_scrobbles = true;
  int notified = 0;
  const std::thread::id main_thread = std::this_thread::get_id();
  // Set while a scrobble is being kept: the console's lines when the journal first says it
  // holds `kept_count`. The journal tells its listeners on the main thread, where the console
  // lines go too, in the order things happened.
  std::size_t kept_count = 0;
  std::optional<std::string> printed_when_kept;
  const std::uint64_t listener = add_journal_listener([&] {
    EXPECT_EQ(std::this_thread::get_id(), main_thread);
    ++notified;
    if (kept_count != 0 && !printed_when_kept && journal_status().waiting == kept_count)
      printed_when_kept = brivanto_test::joined(host->console().lines());
  });
  start_journal(true, "");  // without a key, nothing is sent from the journal

  const std::string refused = R"({"error":6,"message":"Invalid session key"})";
  const struct {
    std::string base_url;
    std::string session;
    std::string secret;
    std::string lines;  // after "Sending scrobble: A - Tn (L)", "|" between lines
  } cases[] = {
      {"http://127.0.0.1:1", session, std::string(kSharedSecret),
       "Scrobble FAILED: WinHttpSendRequest failed|Scrobble kept for later: A - T1 (L) (1 "
       "waiting)"},
      {base, std::string(32, 'f'), std::string(kSharedSecret),
       "Scrobble FAILED: " + refused + "|Scrobble kept for later: A - T2 (L) (2 waiting)"},
      {http + "/status/503/empty", session, std::string(kSharedSecret),
       "Scrobble FAILED: HTTP 503|Scrobble kept for later: A - T3 (L) (3 waiting)"},
      {base, session, "another secret",
       R"(Scrobble FAILED: {"error":5,"message":"Invalid method signature"})"},
      {base, "", std::string(kSharedSecret), "Scrobble kept for later: A - T5 (L) (4 waiting)"},
  };
  int n = 0;
  for (const auto& c : cases) {
    ++n;
    ServiceConfig config = make_service_config();
    config.base_url = c.base_url;
    config.session_key = c.session;
    config.shared_secret = c.secret;
    const TrackSnapshot track{"A", "T" + std::to_string(n), "L", 100, 60, true, kStart + n};
    send_scrobble(track, config);
    const std::string last = c.lines.substr(c.lines.rfind('|') + 1);
    EXPECT_EQ(lines_until(*host, last),
              (c.session.empty() ? "Scrobble skipped: not authorized|"
                                 : "Sending scrobble: " + track.describe() + "|") +
                  c.lines);
  }

  // On disk before its "Sending" line, gone once accepted: the request waits at the barrier
  // (a path of this test's own) until the test's own request comes.
  ServiceConfig config = make_service_config();
  config.base_url = http + "/barrier/2/kept";
  kept_count = 5;
  send_scrobble({"A", "T6", "L", 100, 60, true, kStart + 6}, config);
  EXPECT_EQ(lines_until(*host, "Sending scrobble: A - T6 (L)"), "Sending scrobble: A - T6 (L)");
  EXPECT_EQ(journal_status().waiting, 5U);
  EXPECT_EQ(printed_when_kept, "") << "kept after its Sending line was printed";
  kept_count = 0;
  std::string reply;
  std::string error;
  EXPECT_TRUE(ApiClient(http + "/barrier/2/kept", "", "").call({}, reply, error)) << error;
  EXPECT_EQ(lines_until(*host, "Scrobble OK: A - T6 (L)"), "Scrobble OK: A - T6 (L)");
  EXPECT_EQ(journal_status().waiting, 4U);
  EXPECT_EQ(journal_status().oldest_started_at, kStart + 1);

  // A new key: what waits goes, oldest first, each with its own tags, length and start.
  configure_journal(true, session);
  std::string expected;
  for (const char* t : {"T1", "T2", "T3", "T5"}) {
    expected += std::string(expected.empty() ? "" : "|") + "Sending kept scrobble: A - " + t +
                " (L)|Kept scrobble OK: A - " + t + " (L)";
  }
  EXPECT_EQ(lines_until(*host, "Kept scrobble OK: A - T5 (L)"), expected);
  std::string received;
  for (const auto& call : brivanto_test::fetch_history(base, session).scrobbles) {
    const auto& p = call.params;
    received += p.at("artist") + " " + p.at("track") + " " + p.at("album") + " " +
                p.at("duration") + " " + std::to_string(std::stoll(p.at("timestamp")) - kStart) +
                "|";
  }
  EXPECT_EQ(received, "A T1 L 100 1|A T2 L 100 2|A T3 L 100 3|A T5 L 100 5|");
  EXPECT_EQ(journal_status().waiting, 0U);
  EXPECT_GT(notified, 0);

  // Kept again, and sent at once when a now-playing notice gets through rather than after the
  // minute of back-off.
  config = make_service_config();
  config.base_url = "http://127.0.0.1:1";
  send_scrobble({"A", "T8", "", 100, 60, true, kStart + 8}, config);
  lines_until(*host, "Scrobble kept for later: A - T8 (1 waiting)");
  send_now_playing({"A", "N", "", 100, 5, false, 0}, make_service_config());
  EXPECT_EQ(lines_until(*host, "Kept scrobble OK: A - T8"),
            "Sending now playing: A - N|Now playing OK: A - N|Sending kept scrobble: A - T8|"
            "Kept scrobble OK: A - T8");

  // Emptied on the user's word.
  config = make_service_config();
  config.session_key = "";
  send_scrobble({"A", "T7", "", 100, 60, true, kStart + 7}, config);
  lines_until(*host, "Scrobble kept for later: A - T7 (1 waiting)");
  discard_journal();
  EXPECT_EQ(lines_until(*host, "Journal: discarded 1 scrobble"), "Journal: discarded 1 scrobble");
  EXPECT_EQ(journal_status().waiting, 0U);

  remove_journal_listener(listener);
  stop_journal();
  brivanto_test::reset_settings();
}

}  // namespace
}  // namespace foo_brivanto
