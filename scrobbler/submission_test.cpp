// Submission dispatch with its tasks held between dispatch and start: a task sends what it was
// given, whatever the settings say by the time it runs.
#include "scrobbler/submission.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/settings.h"
#include "tests/support/attached_host.h"
#include "tests/support/console_lines.h"
#include "tests/support/fixture_url.h"
#include "tests/support/held_tasks.h"
#include "tests/support/settings_reset.h"
#include "tests/support/stand_in_service.h"

namespace foo_brivanto {
namespace {

// The session key and the switches go into a task when it is dispatched: clearing or changing
// the key, or turning the switches off, before the task runs changes nothing it sends.
TEST(SubmissionTest, ATaskSendsTheKeyAndSwitchesItWasGivenAtDispatch) {
  brivanto_test::AttachedHost host;
  const std::string base = brivanto_test::fixture_url("service");
  const std::string given = brivanto_test::new_session_key(base);
  const std::string other = brivanto_test::new_session_key(base);
  const struct {
    const char* title;  // of the track, which tells the cases apart at the service
    std::string key_before_start;
    bool switches_before_start;
  } cases[] = {
      {"cleared", "", true},
      {"changed", other, true},
      {"switched off", given, false},
      {"all at once", other, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    host->console().clear();
    brivanto_test::reset_settings(given);
    const TrackSnapshot track{"A", c.title, "", 200, 0, false, 1'700'000'000};
    {
      brivanto_test::HeldTasks held;
      send_now_playing(track, make_service_config());
      send_scrobble(track, make_service_config());
      ASSERT_EQ(held.count(), 2U);
      session_key = c.key_before_start;
      enable_scrobbling = c.switches_before_start;
      enable_now_playing = c.switches_before_start;
    }
    const std::string t = c.title;
    EXPECT_EQ(brivanto_test::settle_console(*host).outcomes,
              "Now playing OK: A - " + t + "|Scrobble OK: A - " + t);
    std::string sent_with;
    for (const auto& [key, name] : {std::pair{&given, "given"}, {&other, "other"}}) {
      const auto history = brivanto_test::fetch_history(base, *key);
      for (const auto* calls : {&history.now_playing, &history.scrobbles}) {
        for (const auto& call : *calls) {
          sent_with += call.params.at("track") == t ? std::string(name) + " " : "";
        }
      }
    }
    EXPECT_EQ(sent_with, "given given ");
  }
}

}  // namespace
}  // namespace foo_brivanto
