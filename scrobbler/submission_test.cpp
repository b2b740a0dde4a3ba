// Submission dispatch: one background request per submission, reported by one console line.
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

using Lines = std::vector<std::string>;

TrackSnapshot track() {
  TrackSnapshot t;
  t.artist = "A";
  t.title = "T";
  t.duration = 100;
  t.started_at = 1765030000;
  return t;
}

ServiceConfig config_for(const std::string& base_url, const std::string& session) {
  return {base_url, std::string(kApiKey), std::string(kSharedSecret), session};
}

class SubmissionTest : public ::testing::Test {
 protected:
  void SetUp() override { brivanto_test::reset_settings(); }
  void TearDown() override { brivanto_test::settle_console(*host_); }

  brivanto_test::AttachedHost host_;
  const std::string base_url_ = brivanto_test::fixture_url("service");
};

TEST_F(SubmissionTest, EachFailureGivesExactlyOneLine) {
  const std::string session = brivanto_test::new_session_key(base_url_);
  const struct {
    const char* what;
    ServiceConfig config;
    const char* error;
  } cases[] = {
      {"nothing listens", config_for("http://127.0.0.1:1", session), "WinHttpSendRequest failed"},
      {"the service refuses", config_for(base_url_, "ffffffffffffffffffffffffffffffff"),
       R"({"error":6,"message":"Invalid session key"})"},
      {"an exception inside the task", config_for("http://127.0.0.1:x", session),
       "internal error: invalid stoi argument"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    host_->console().clear();
    send_now_playing(track(), c.config);
    send_scrobble(track(), c.config);
    const auto lines = brivanto_test::settle_console(*host_);
    EXPECT_EQ(lines.events, (Lines{"Sending now playing: A - T", "Sending scrobble: A - T"}));
    EXPECT_EQ(lines.outcomes, (Lines{std::string("Now playing FAILED: ") + c.error,
                                     std::string("Scrobble FAILED: ") + c.error}));
  }
}

TEST_F(SubmissionTest, NoticeAndScrobbleOfOneTickRunSideBySide) {
  // The barrier answers only once both requests wait at it.
  const ServiceConfig together =
      config_for(brivanto_test::fixture_url("http_server") + "/barrier/2", "key");
  send_now_playing(track(), together);
  send_scrobble(track(), together);
  EXPECT_EQ(brivanto_test::settle_console(*host_).outcomes,
            (Lines{"Now playing OK: A - T", "Scrobble OK: A - T"}));
}

TEST_F(SubmissionTest, WithoutSessionKey) {
  send_now_playing(track(), config_for(base_url_, ""));
  EXPECT_TRUE(host_->console().lines().empty());
  send_scrobble(track(), config_for(base_url_, ""));
  EXPECT_EQ(host_->console().lines(), Lines{"foo_brivanto: Scrobble skipped: not authorized"});
  EXPECT_EQ(host_->main_thread().run_pending(), 0U);  // nothing was started
}

TEST_F(SubmissionTest, AKeyClearedAfterDispatchIsStillUsed) {
  const std::string session = brivanto_test::new_session_key(base_url_);
  session_key = session;
  send_scrobble(track(), make_service_config());
  session_key = "";
  EXPECT_EQ(brivanto_test::settle_console(*host_).outcomes, Lines{"Scrobble OK: A - T"});
  EXPECT_EQ(brivanto_test::fetch_history(base_url_, session).scrobbles.size(), 1U);
}

}  // namespace
}  // namespace foo_brivanto
