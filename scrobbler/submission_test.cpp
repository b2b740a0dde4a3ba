// Submission dispatch: one background request per submission, reported by one console line
// printed on the main thread.
#include "scrobbler/submission.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/service_identity.h"
#include "settings/settings.h"
#include "tests/support/attached_host.h"
#include "tests/support/console_lines.h"
#include "tests/support/fixture_url.h"
#include "tests/support/settings_reset.h"
#include "tests/support/stand_in_service.h"

namespace foo_brivanto {
namespace {

TEST(SubmissionTest, OneLinePerOutcome) {
  brivanto_test::AttachedHost host;
  brivanto_test::reset_settings();
  const std::string base = brivanto_test::fixture_url("service");
  const std::string session = brivanto_test::new_session_key(base);
  TrackSnapshot track;
  track.artist = "A";
  track.title = "T";
  const struct {
    std::string base_url;
    std::string session;
    bool clear_key_after_dispatch;
    std::string error;  // of both requests; empty when both succeed
  } cases[] = {
      {base, session, true, ""},
      {brivanto_test::fixture_url("http_server") + "/barrier/2", "k", false, ""},  // side by side
      {"http://127.0.0.1:1", session, false, "WinHttpSendRequest failed"},
      {base, "ffffffffffffffffffffffffffffffff", false,
       R"({"error":6,"message":"Invalid session key"})"},
      {"http://127.0.0.1:x", session, false, "internal error: invalid stoi argument"},
  };
  for (const auto& c : cases) {
    host->console().clear();
    session_key = c.session;
    ServiceConfig config = make_service_config();
    config.base_url = c.base_url;
    send_now_playing(track, config);
    send_scrobble(track, config);
    if (c.clear_key_after_dispatch) {
      session_key = "";
    }
    const auto lines = brivanto_test::settle_console(*host);
    EXPECT_EQ(lines.events, "Sending now playing: A - T|Sending scrobble: A - T");
    const std::string np = c.error.empty() ? "Now playing OK: A - T" : "Now playing FAILED: ";
    const std::string scrobble = c.error.empty() ? "Scrobble OK: A - T" : "Scrobble FAILED: ";
    EXPECT_EQ(lines.outcomes, np + c.error + "|" + scrobble + c.error) << c.base_url;
  }
  EXPECT_EQ(outcome_line(Submission::kNowPlaying, false, track, ""),
            "Now playing FAILED: unknown error");
  EXPECT_EQ(outcome_line(Submission::kScrobble, false, track, ""),
            "Scrobble FAILED: unknown error");
}

}  // namespace
}  // namespace foo_brivanto
