// The page's part about kept scrobbles, on both builds (the Linux window, and the dialog from
// the resources under Wine): the third switch, the status line and its texts, Discard with the
// question the stand-in player answers, and the page's layout. Dates are shown in local time:
// CTest runs these programs with TZ=XYZ-5:30 (UTC+5:30 for the C library on both systems).
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "player/page_window.h"
#include "player/player.h"
#include "player/script.h"
#include "preferences/journal_texts.h"
#include "preferences/page_controls.h"
#include "preferences/page_journal.h"
#include "preferences/preferences_dialog.h"
#include "preferences/preferences_page.h"
#include "tests/support/attached_host.h"
#include "tests/support/layout_faults.h"
#include "tests/support/settings_reset.h"
#include "tests/support/test_journal.h"

namespace foo_brivanto {
namespace {

using Lines = std::vector<std::string>;

constexpr std::int64_t k7Dec2026At0833Utc = 1796632380;
constexpr std::int64_t k31Dec2026At2000Utc = 1798747200;
constexpr std::int64_t k9Jun2026At0304Utc = 1780974240;
constexpr std::int64_t k1Mar2027At1829Utc = 1803925740;
const std::string kUnknown = "Unknown: the journal has not been read (see the console)";

// The stand-in player lists the page as the player does, from the start of the program.
preferences_page_factory_t<PreferencesPage> g_page_factory;
class PageService : public ::testing::Environment {
  void SetUp() override {
    brivanto_test::AttachedHost host;
    host->add_services(service_factory_base::list_head());
  }
};
const auto* const g_page_service = ::testing::AddGlobalTestEnvironment(new PageService);

TEST(JournalTextTest, SaysWhatWaitsInLocalTime) {
  ASSERT_STREQ(std::getenv("TZ"), "XYZ-5:30");  // NOLINT(concurrency-mt-unsafe)
  const struct {
    JournalStatus status;
    std::string text;
  } cases[] = {
      {{false, 0, 0}, kUnknown},
      {{false, 4, k7Dec2026At0833Utc}, kUnknown},
      {{true, 0, 0}, "Nothing waiting"},
      {{true, 3, k7Dec2026At0833Utc}, "3 scrobbles waiting, the oldest from 7 Dec 2026 14:03"},
      {{true, 1, k31Dec2026At2000Utc}, "1 scrobble waiting, the oldest from 1 Jan 2027 01:30"},
      {{true, 2, k9Jun2026At0304Utc}, "2 scrobbles waiting, the oldest from 9 Jun 2026 08:34"},
      {{true, 10000, k1Mar2027At1829Utc},
       "10000 scrobbles waiting, the oldest from 1 Mar 2027 23:59"},
      {{true, 5, 0}, "5 scrobbles waiting"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(journal_status_text(c.status), c.text);
  }
  EXPECT_EQ(discard_question(1),
            "Discard 1 waiting scrobble? It will not be sent, and this cannot be undone.");
  EXPECT_EQ(discard_question(12),
            "Discard 12 waiting scrobbles? They will not be sent, and this cannot be undone.");
}

// The page's controls in dialog units: each with an area of its own, inside a page no larger
// than the player's Preferences gives.
TEST(PageLayoutTest, EveryControlHasItsOwnPlaceInThePage) {
  EXPECT_LE(kPageWidth, 332);
  EXPECT_LE(kPageHeight, 250);
  std::vector<brivanto_test::PlacedControl> placed;
  for (const PageControl& c : page_controls()) {
    placed.push_back(
        {c.text, c.place.x, c.place.y, c.place.x + c.place.width, c.place.y + c.place.height});
  }
  EXPECT_EQ(brivanto_test::layout_faults(placed, kPageWidth, kPageHeight), Lines{});
}

// An open page on the test's journal, in the player's page window where there is one.
class JournalPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    brivanto_test::reset_settings("K");
    use_page_journal(&journal_);
  }
  void TearDown() override {
    dialog_.release();
    use_page_journal(nullptr);
  }

  void open() {
    std::uint32_t error = 0;
    dialog_ = service_new<PreferencesDialog>(service_ptr_t<preferences_page_callback>());
    ASSERT_TRUE(dialog_->create(fbplayer::page_parent_window(), error)) << error;
  }

  fbplayer::PageControl shown(int id) {
    for (const fbplayer::PageControl& c : fbplayer::page_controls(dialog_->window())) {
      if (c.id == id) {
        return c;
      }
    }
    ADD_FAILURE() << "no control " << id;
    return {};
  }

  void click(int id) {
    ASSERT_TRUE(fbplayer::click_page_control(dialog_->window(), id));
    host_->main_thread().run_pending();
  }

  brivanto_test::AttachedHost host_;
  brivanto_test::TestJournal journal_;
  service_ptr_t<PreferencesDialog> dialog_;
};

// The check box from stored switches that are not the defaults: reset turns it off, as the
// player's defaults have it, and shows the older switches as stored; apply stores it and tells
// the journal.
TEST_F(JournalPageTest, TheSwitchIsShownAppliedAndReset) {
  enable_scrobbling = false;
  keep_unsent_scrobbles = true;
  const auto click_on = [this](int id) { return [this, id] { click(id); }; };
  const auto apply = [this] { dialog_->apply(); };
  const auto reset = [this] { dialog_->reset(); };
  const struct {
    std::function<void()> act;
    const char* seen;  // page state, check boxes, stored switches, what the journal was told
  } steps[] = {
      {[this] { open(); }, "8 011 01 "},
      {click_on(kIdcKeepUnsent), "9 010 01 "},
      {apply, "8 010 00 configure 0 K;"},
      {click_on(kIdcKeepUnsent), "9 011 00 "},
      {reset, "8 010 00 "},
      {click_on(kIdcKeepUnsent), "9 011 00 "},
      {apply, "8 011 01 configure 1 K;"},
      {click_on(kIdcEnableScrobbling), "9 111 01 "},
      {reset, "9 010 01 "},  // off now, on as stored
      {apply, "8 010 00 configure 0 K;"},
  };
  for (const auto& s : steps) {
    journal_.log.clear();
    s.act();
    std::string checks;
    for (const int id : {kIdcEnableScrobbling, kIdcEnableNowPlaying, kIdcKeepUnsent}) {
      checks += std::to_string(shown(id).check_state);
    }
    EXPECT_EQ(std::to_string(dialog_->page_state()) + " " + checks + " " +
                  std::to_string(static_cast<int>(enable_scrobbling.get())) +
                  std::to_string(static_cast<int>(keep_unsent_scrobbles.get())) + " " +
                  journal_.log,
              s.seen);
  }
}

// A session key stored or cleared reaches the journal with the stored switch (not the check
// box's), and nothing else does.
TEST_F(JournalPageTest, AStoredOrClearedSessionKeyReachesTheJournal) {
  keep_unsent_scrobbles = true;
  open();
  click(kIdcKeepUnsent);  // not applied
  const struct {
    AuthResult outcome;
    const char* told;
  } cases[] = {
      {{1, true, false, false, "", "", "K2"}, "configure 1 K2;"},
      {{2, true, false, false, "", "", ""}, "configure 1 ;"},
      {{1, false, false, true, "stale", "", ""}, ""},
      {{1, false, false, false, "HTTP 500", "", ""}, ""},
  };
  for (const auto& c : cases) {
    journal_.log.clear();
    dialog_->on_auth_result(new AuthResult(c.outcome));
    EXPECT_EQ(journal_.log, c.told) << c.outcome.new_session_key;
  }
}

// The line and the button follow the journal while the page is open; a closed page no longer
// listens.
TEST_F(JournalPageTest, TheStatusLineFollowsTheJournalWhileThePageIsOpen) {
  const auto set = [this](JournalStatus status) {
    return [this, status] { journal_.set(status); };
  };
  const std::string three = "3 scrobbles waiting, the oldest from 7 Dec 2026 14:03";
  const std::string one = "1 scrobble waiting, the oldest from 1 Jan 2027 01:30";
  const struct {
    std::function<void()> act;
    std::string seen;  // listeners, and on an open page: the line, and whether Discard works
  } steps[] = {
      {[this] { open(); }, "1 " + kUnknown + " disabled"},
      {set({true, 3, k7Dec2026At0833Utc}), "1 " + three + " enabled"},
      {set({true, 1, k31Dec2026At2000Utc}), "1 " + one + " enabled"},
      {set({true, 0, 0}), "1 Nothing waiting disabled"},
      {set({false, 2, k7Dec2026At0833Utc}), "1 " + kUnknown + " disabled"},
      {[this] { dialog_.release(); }, "0"},
      {set({true, 3, k7Dec2026At0833Utc}), "0"},
      {[this] { open(); }, "1 " + three + " enabled"},
  };
  for (const auto& s : steps) {
    s.act();
    host_->main_thread().run_pending();
    std::string seen = std::to_string(journal_.listeners.size());
    if (dialog_) {
      seen += " " + shown(kIdcJournalStatus).text +
              (shown(kIdcDiscard).enabled ? " enabled" : " disabled");
    }
    EXPECT_EQ(seen, s.seen);
  }
}

// Discard asks first, and only Yes empties the journal. The stand-in player answers as
// "prefs answer" told it (No when nothing was said), once per answer, and prints each question.
// (Under Wine each question costs 2 s: the system waits that long for a window manager, which
// Xvfb lacks, when the message box goes away.)
TEST_F(JournalPageTest, DiscardEmptiesTheJournalOnlyAfterYes) {
  journal_.shown = {true, 2, k7Dec2026At0833Utc};
  Lines printed;
  fbplayer::Player player(*host_, 0, [&printed](std::string_view line) {
    if (line.rfind("[question]", 0) == 0 || line.rfind("[prefs] 1008", 0) == 0 ||
        line.rfind("[prefs] 1009", 0) == 0) {
      printed.emplace_back(line);
    }
  });
  const std::string two =
      "[question] foo_brivanto: Discard 2 waiting scrobbles? They will not be sent, and this "
      "cannot be undone.";
  const std::string one =
      "[question] foo_brivanto: Discard 1 waiting scrobble? It will not be sent, and this cannot "
      "be undone.";
  const auto status = [](const std::string& text, bool enabled) {
    return Lines{"[prefs] 1008 " + text + " 0",
                 std::string("[prefs] 1009 Discard 0") + (enabled ? "" : " disabled")};
  };
  const struct {
    const char* command;
    JournalStatus before;  // set first when loaded
    std::string outcome;   // "", or the error
    Lines printed;
    const char* log;
  } steps[] = {
      {"prefs open", {}, "", {}, ""},
      {"prefs show",
       {},
       "",
       status("2 scrobbles waiting, the oldest from 7 Dec 2026 14:03", true),
       ""},
      {"prefs answer yes", {}, "", {}, ""},
      {"prefs answer no", {}, "", {}, ""},
      {"prefs click 1009", {}, "", {two}, ""},
      {"prefs answer yes", {}, "", {}, ""},
      {"prefs click 1009", {}, "", {two}, "discard;"},
      {"prefs show", {}, "", status("Nothing waiting", false), ""},
      {"prefs click 1009", {}, "prefs click: the page has disabled control 1009", {}, ""},
      {"prefs click 1009", {true, 1, k31Dec2026At2000Utc}, "", {one}, ""},  // none given: No
      {"prefs answer maybe", {}, "prefs answer: expected yes or no", {}, ""},
  };
  for (const auto& s : steps) {
    if (s.before.loaded) {
      journal_.set(s.before);
    }
    printed.clear();
    journal_.log.clear();
    fbplayer::Command command;
    std::string error;
    ASSERT_TRUE(fbplayer::parse_command(s.command, command, error)) << error;
    player.execute(command, error);
    EXPECT_EQ(error, s.outcome) << s.command;
    EXPECT_EQ(printed, s.printed) << s.command;
    EXPECT_EQ(journal_.log, s.log) << s.command;
  }
}

}  // namespace
}  // namespace foo_brivanto
