// The preferences page of the Linux build: the dialog's answer to each outcome of the worker,
// the switches with the host's notices, and real presses.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "api/api_client.h"
#include "api/service_identity.h"
#include "player/page_window.h"
#include "preferences/auth_worker.h"
#include "preferences/preferences_dialog.h"
#include "tests/support/attached_host.h"
#include "tests/support/fixture_url.h"
#include "tests/support/held_tasks.h"
#include "tests/support/settings_reset.h"
#include "tests/support/stand_in_service.h"
#include "tests/support/test_journal.h"

// NOLINTBEGIN(concurrency-mt-unsafe): the tests set $BROWSER on one thread.
namespace foo_brivanto {
namespace {

using Lines = std::vector<std::string>;

const std::string kStale =
    "Токен устарел или уже использован.\r\n\r\nНажмите Request authorization и пройдите "
    "авторизацию заново.";
const std::string kReminder =
    "Откройте 127.0.0.1 в браузере, войдите и нажмите «Разрешить». Затем вернитесь сюда и "
    "нажмите Complete authorization.";
const std::string kUrl = "http://127.0.0.1:9/api/auth?api_key=k&token=T%202";

std::string auth_url(const std::string& token) {
  return web_auth_url(brivanto_test::fixture_url("service"), std::string(kApiKey), token);
}

// Counts the page's notices to the host.
class Notices : public preferences_page_callback {
 public:
  void on_state_changed() override { ++count; }
  int count = 0;

 protected:
  ~Notices() = default;
};

// An open page. Its browser never starts: the message saying so shows the address it was given.
class PageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    brivanto_test::reset_settings();
    setenv("BROWSER", "/no/such", 1);
    open();
  }

  void open() {
    std::uint32_t error = 0;
    dialog_ = service_new<PreferencesDialog>(service_ptr_t<preferences_page_callback>(&notices_));
    ASSERT_TRUE(dialog_->create(nullptr, error));
  }

  fbplayer::PageControl control(std::size_t index) {
    return fbplayer::page_controls(dialog_->window())[index];
  }

  void click(int id) {
    ASSERT_TRUE(fbplayer::click_page_control(dialog_->window(), id));
    host_->main_thread().run_pending();
  }

  // How often the console shows `line`, once it shows it at all (or 30 s have passed).
  long count_lines(const std::string& line) {
    long count = 0;
    host_->main_thread().run_until(
        [&] {
          const Lines lines = host_->console().lines();
          return (count = std::count(lines.begin(), lines.end(), line)) > 0;
        },
        std::chrono::steady_clock::now() + std::chrono::seconds(30));
    return count;
  }

  brivanto_test::AttachedHost host_;
  service_impl_single_t<Notices> notices_;
  service_ptr_t<PreferencesDialog> dialog_;
};

TEST_F(PageTest, AppliesEveryOutcome) {
  const std::string approve = "Approve in browser, then click Complete authorization";
  const std::string authorized = "Authorized (session key saved)";
  const std::string no_start = "!Could not open browser.\r\n\r\n" + kUrl;
  const std::string cleared = "Authorization cleared";
  const struct {
    const char* before;  // session key|pending token
    AuthResult outcome;
    bool browser_starts;
    const char* after;  // and the label's first letters
    int notices;
    Lines said;  // console lines after "foo_brivanto: "; "!": a message box's
  } cases[] = {
      {"|", {0, true, false, false, kUrl, "T2", ""}, true, "|T2 Co", 1, {approve}},
      {"|", {0, true, false, false, kUrl, "T2", ""}, false, "|T2 Co", 1, {no_start, approve}},
      {"|T", {1, true, false, false, "", "", "K"}, false, "K| Cl", 1, {authorized}},
      {"|T", {1, true, true, false, kUrl, "", ""}, false, "|T Co", 0, {no_start, "!" + kReminder}},
      {"|T", {1, false, false, true, kStale, "", ""}, false, "| Re", 1, {"!" + kStale}},
      {"|T", {1, false, false, false, "boom", "", ""}, false, "|T Co", 1, {"!boom"}},
      {"K|T", {2, true, false, false, "", "", ""}, false, "| Re", 1, {cleared}},
      {"K|", {7, true, false, false, "", "", ""}, false, "K| Cl", 1, {}},
  };
  for (const auto& c : cases) {
    const std::string before = c.before;
    session_key = before.substr(0, before.find('|'));
    pending_token = before.substr(before.find('|') + 1);
    host_->console().clear();
    host_->popups().clear();
    notices_.count = 0;
    setenv("BROWSER", c.browser_starts ? "/no/such:true" : "/no/such", 1);
    dialog_->on_auth_result(new AuthResult(c.outcome));
    Lines console;
    std::size_t boxes = 0;
    for (const std::string& said : c.said) {
      boxes += said[0] == '!' ? 1U : 0U;
      console.push_back("foo_brivanto: " + said.substr(said[0] == '!' ? 1 : 0));
    }
    EXPECT_EQ(host_->console().lines(), console);
    EXPECT_EQ(host_->popups().shown().size(), boxes);
    EXPECT_EQ(session_key.get() + "|" + pending_token.get() + " " + control(1).text.substr(0, 2) +
                  std::to_string(notices_.count),
              c.after + std::to_string(c.notices));
  }
}

// The switches step by step, from stored ones that are not the defaults. Opening and resetting
// the page both upgrade an old configuration first.
TEST_F(PageTest, SwitchesApplyAndReset) {
  const auto reset_with_token = [this](int version) {
    return [this, version] {
      settings_version = version;
      pending_token = kUrl;
      dialog_->reset();
    };
  };
  const auto click_on = [this](int id) { return [this, id] { click(id); }; };
  const auto unsure = [this](int id) {
    return [this, id] { set_button_check(dialog_->handle(), id, kBstIndeterminate); };
  };
  const auto apply = [this] { dialog_->apply(); };
  dialog_.release();
  enable_scrobbling = false;
  settings_version = 3;
  pending_token = kUrl;
  const struct {
    std::function<void()> act;
    const char* seen;  // page state, check boxes, stored switches, notices, label
  } steps[] = {
      {[this] { open(); }, "8 01 01 0 Request authorization"},
      {click_on(kIdcEnableScrobbling), "9 11 01 1 Request authorization"},
      {click_on(kIdcEnableScrobbling), "8 01 01 2 Request authorization"},
      {click_on(kIdcEnableNowPlaying), "9 00 01 3 Request authorization"},
      {reset_with_token(4), "8 01 01 4 Complete authorization"},
      {click_on(kIdcEnableScrobbling), "9 11 01 5 Complete authorization"},
      {apply, "8 11 11 6 Complete authorization"},
      {unsure(kIdcEnableScrobbling), "9 21 11 6 Complete authorization"},
      {apply, "8 21 01 7 Complete authorization"},
      {unsure(kIdcEnableNowPlaying), "9 22 01 7 Complete authorization"},
      {apply, "8 22 00 8 Complete authorization"},
      {reset_with_token(3), "8 00 00 9 Request authorization"},
  };
  for (const auto& s : steps) {
    s.act();
    EXPECT_EQ(std::to_string(dialog_->page_state()) + " " + std::to_string(control(2).check_state) +
                  std::to_string(control(3).check_state) + " " + std::to_string(enable_scrobbling) +
                  std::to_string(enable_now_playing) + " " + std::to_string(notices_.count) + " " +
                  control(1).text,
              s.seen);
  }
}

// Each press applies the page first, then takes the step that the stored strings call for.
TEST_F(PageTest, PressesTakeTheStepOfTheStoredState) {
  session_key = "K";
  pending_token = "T";
  click(kIdcEnableNowPlaying);
  click(kIdcAuth);
  EXPECT_EQ(dialog_->page_state() + (enable_now_playing ? 1U : 0U), 8U);  // applied first
  EXPECT_EQ(control(1).text + "|" + host_->console().lines().front(),
            "Clear authorization|foo_brivanto: auth button clicked");
  EXPECT_EQ(count_lines("foo_brivanto: Authorization cleared"), 1);
  EXPECT_EQ(session_key.get() + pending_token.get() + std::to_string(notices_.count), "3");

  click(kIdcAuth);  // Request
  EXPECT_EQ(count_lines("foo_brivanto: Approve in browser, then click Complete authorization"), 1);
  const std::string url = auth_url(pending_token.get());
  EXPECT_EQ(count_lines("foo_brivanto: token received, opening " + url), 1);
  const std::string no_browser = "foo_brivanto: Could not open browser.\r\n\r\n" + url;
  EXPECT_EQ(count_lines(no_browser), 1);
  click(kIdcAuth);  // Complete, of a token that nobody approved
  EXPECT_EQ(count_lines("foo_brivanto: " + kReminder), 1);
  EXPECT_EQ(count_lines(no_browser), 2);
  EXPECT_EQ(auth_url(pending_token.get()) + std::to_string(notices_.count), url + "6");
}

// A press hands its worker the pending token of that moment: a token stored or cleared before
// the worker runs changes nothing it asks the service for.
TEST_F(PageTest, APressSendsThePendingTokenOfThePress) {
  for (const char* stored_before_start : {"", "not a token"}) {
    SCOPED_TRACE(stored_before_start);
    session_key = "";
    pending_token = brivanto_test::approved_token(brivanto_test::fixture_url("service"));
    host_->console().clear();
    {
      brivanto_test::HeldTasks held;
      click(kIdcAuth);  // Complete
      ASSERT_EQ(held.count(), 1U);
      pending_token = stored_before_start;
    }
    EXPECT_EQ(count_lines("foo_brivanto: Authorized (session key saved)"), 1);
    EXPECT_FALSE(session_key.is_empty());
  }
}

TEST_F(PageTest, NamesTheServerAndTheSteps) {
  EXPECT_EQ(
      control(0).text + "|" + control(2).text + "|" + control(3).text + "|" + control(7).text,
      "Сервер: 127.0.0.1 (зашит в плагин)|Enable scrobbling|Enable now playing|1. Request "
      "authorization (откроется браузер)  2. Разрешить на 127.0.0.1  3. Complete authorization");
}

// Without a host that answers the window's questions, each is answered No: Discard keeps all.
TEST_F(PageTest, AQuestionNobodyAnswersIsNo) {
  brivanto_test::TestJournal journal;
  journal.shown = {true, 2, 0};
  use_page_journal(&journal);
  dialog_.release();
  open();
  click(kIdcDiscard);
  const std::string seen = journal.log + control(5).text;
  dialog_.release();
  use_page_journal(nullptr);
  EXPECT_EQ(seen, "2 scrobbles waiting");
}

// A closed page's outcomes, queued or late, are freed and never reach the page opened since.
TEST_F(PageTest, AClosedPageLosesItsOutcomes) {
  session_key = "K";
  const WindowHandle closed = dialog_->handle();
  run_auth_task({AuthAction::Clear, "", closed});
  dialog_.release();
  open();
  run_auth_task({AuthAction::Clear, "", closed});
  host_->main_thread().run_pending();
  EXPECT_EQ(session_key.get() + std::to_string(notices_.count), "K0");
}

}  // namespace
}  // namespace foo_brivanto
// NOLINTEND(concurrency-mt-unsafe)
