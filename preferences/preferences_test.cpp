// The preferences page of the Linux build: $BROWSER, the worker's judgement of each outcome,
// the dialog's answer to it, the switches with the host's notices, and real presses.
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
#include "preferences/browser.h"
#include "preferences/browser_command.h"
#include "preferences/preferences_dialog.h"
#include "tests/support/attached_host.h"
#include "tests/support/fixture_url.h"
#include "tests/support/settings_reset.h"

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

TEST(BrowserCommandTest, FollowsTheConventionOfBrowser) {
  const struct {
    const char* browser;
    std::vector<Lines> commands;  // for the address "U%s"
  } cases[] = {
      {nullptr, {{"xdg-open", "U%s"}}},
      {"", {{"xdg-open", "U%s"}}},
      {" a\t-x  %s   -y :b --new=%s,%%,%d%", {{"a", "-x", "U%s", "-y"}, {"b", "--new=U%s,%,%d%"}}},
      {"::a::b c:", {{"a", "U%s"}, {"b", "c", "U%s"}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(browser_commands(c.browser, "U%s"), c.commands) << c.browser;
  }
}

// The outcome of each task that needs no service (a Complete without a token asks nothing),
// and of a Complete whose auth.getSession failed with the given error.
TEST(AuthWorkerTest, JudgesEachOutcome) {
  const ApiClient offline("http://127.0.0.1:1", std::string(kApiKey), std::string(kSharedSecret));
  const std::string first = "Сначала нажмите Request authorization — откроется браузер 127.0.0.1.";
  const auto url = auth_url("t-1");
  const struct {
    AuthAction action;
    const char* error;  // null: the task is performed
    bool ok, reopen, clear;
    std::string text;
  } cases[] = {
      {AuthAction::Clear, nullptr, true, false, false, ""},
      {AuthAction::Complete, nullptr, false, false, true, first},
      {AuthAction::Request, nullptr, false, false, false, "WinHttpSendRequest failed"},
      {AuthAction::Complete, "Token NOT AUTHORIZED yet", true, true, false, url},
      {AuthAction::Complete, "please Visit Web Auth first", true, true, false, url},
      {AuthAction::Complete, "not authorized, and the token expired", true, true, false, url},
      {AuthAction::Complete, "Invalid token: never issued", false, false, true, kStale},
      {AuthAction::Complete, "Token EXPIRED: ask again", false, false, true, kStale},
      {AuthAction::Complete, "connection refused", false, false, true, kStale},  // "used"
      {AuthAction::Complete, "HTTP 500", false, false, false, "HTTP 500"},
      {AuthAction::Complete, "", false, false, false, "auth.getSession failed"},
  };
  for (const auto& c : cases) {
    AuthResult r;
    r.action = static_cast<int>(c.action);
    if (c.error != nullptr) {
      classify_session_failure(c.error, "t-1", r);
    } else {
      r = *perform_auth_task({c.action, "", kNoWindow}, offline);
    }
    EXPECT_EQ(std::tie(r.action, r.ok, r.reopen_browser, r.clear_pending_token, r.text),
              std::tuple(static_cast<int>(c.action), c.ok, c.reopen, c.clear, c.text))
        << c.text;
  }
}

// Counts the page's notices to the host that its state changed.
class Notices : public preferences_page_callback {
 public:
  void on_state_changed() override { ++count; }
  int count = 0;

 protected:
  ~Notices() = default;
};

// An open page, its console, message boxes and notices. Its browser never starts, so that the
// message saying so shows the address it was given.
class PageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    brivanto_test::reset_settings();
    setenv("BROWSER", "/no/such", 1);
    open();
  }
  void TearDown() override { dialog_.release(); }

  void open() {
    std::uint32_t error = 0;
    dialog_ = service_new<PreferencesDialog>(service_ptr_t<preferences_page_callback>(&notices_));
    ASSERT_TRUE(dialog_->create(nullptr, error));
  }

  fbplayer::PageControl control(int id) {
    const auto controls = fbplayer::page_controls(dialog_->window());
    return *std::find_if(controls.begin(), controls.end(), [id](auto& c) { return c.id == id; });
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
  const std::string no_browser = "!Could not open browser.\r\n\r\n" + kUrl;
  const std::string reminder = "!" + kReminder;
  const std::string cleared = "Authorization cleared";
  const struct {
    const char* before;  // session key|pending token
    AuthResult outcome;
    bool browser_starts;
    const char* after;  // and the label's first letters
    int notices;
    Lines said;  // console lines after "foo_brivanto: "; "!": also a message box
  } cases[] = {
      {"|", {0, true, false, false, kUrl, "T2", ""}, true, "|T2 Co", 1, {approve}},
      {"|", {0, true, false, false, kUrl, "T2", ""}, false, "|T2 Co", 1, {no_browser, approve}},
      {"|", {0, false, false, false, "boom", "", ""}, false, "| Re", 1, {"!boom"}},
      {"|T", {1, true, false, false, "", "", "K"}, false, "K| Cl", 1, {authorized}},
      {"|T", {1, true, true, false, kUrl, "", ""}, true, "|T Co", 0, {reminder}},
      {"|T", {1, true, true, false, kUrl, "", ""}, false, "|T Co", 0, {no_browser, reminder}},
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
    Lines boxes;
    for (const std::string& said : c.said) {
      console.push_back("foo_brivanto: " + said.substr(said[0] == '!' ? 1 : 0));
      if (said[0] == '!')
        boxes.push_back(console.back());
    }
    Lines shown;
    for (const auto& popup : host_->popups().shown())
      shown.push_back(popup.title + ": " + popup.text);
    EXPECT_EQ(host_->console().lines(), console);
    EXPECT_EQ(shown, boxes);
    EXPECT_EQ(session_key.get() + "|" + pending_token.get() + " " +
                  control(kIdcAuth).text.substr(0, 2) + std::to_string(notices_.count),
              c.after + std::to_string(c.notices));
  }
}

// The switches step by step, from stored ones that are not the defaults; opening and resetting
// the page both upgrade an old configuration first.
TEST_F(PageTest, SwitchesApplyAndReset) {
  const auto token = [](int version) {
    return [version] {
      settings_version = version;
      pending_token = kUrl;
    };
  };
  const auto click_on = [this](int id) { return [this, id] { click(id); }; };
  const auto reset = [this] { dialog_->reset(); };
  const auto apply = [this] { dialog_->apply(); };
  dialog_.release();
  enable_scrobbling = false;
  token(3)();
  const struct {
    std::function<void()> act;
    const char* seen;  // page state, check boxes, stored switches, notices, label
  } steps[] = {
      {[this] { open(); }, "8 01 01 0 Re"},
      {click_on(kIdcEnableScrobbling), "9 11 01 1 Re"},
      {click_on(kIdcEnableScrobbling), "8 01 01 2 Re"},
      {click_on(kIdcEnableNowPlaying), "9 00 01 3 Re"},
      {reset, "8 01 01 4 Re"},
      {click_on(kIdcEnableScrobbling), "9 11 01 5 Re"},
      {apply, "8 11 11 6 Re"},
      {[this] { set_button_check(dialog_->handle(), kIdcEnableNowPlaying, 2); }, "9 12 11 6 Re"},
      {apply, "8 12 10 7 Re"},
      {token(4), "8 12 10 7 Re"},
      {reset, "8 10 10 8 Co"},
      {token(3), "8 10 10 8 Co"},
      {reset, "8 10 10 9 Re"},
  };
  for (const auto& s : steps) {
    s.act();
    EXPECT_EQ(std::to_string(dialog_->page_state()) + " " +
                  std::to_string(control(kIdcEnableScrobbling).check_state) +
                  std::to_string(control(kIdcEnableNowPlaying).check_state) + " " +
                  std::to_string(enable_scrobbling) + std::to_string(enable_now_playing) + " " +
                  std::to_string(notices_.count) + " " + control(kIdcAuth).text.substr(0, 2),
              s.seen);
  }
}

// Each press applies the page first, then takes the step that the stored strings call for.
TEST_F(PageTest, PressesTakeTheStepOfTheStoredState) {
  session_key = "K";
  pending_token = "T";
  click(kIdcEnableNowPlaying);
  click(kIdcAuth);
  EXPECT_EQ(dialog_->page_state(), 8U);
  EXPECT_FALSE(enable_now_playing);
  EXPECT_EQ(host_->console().lines().front(), "foo_brivanto: auth button clicked");
  EXPECT_EQ(count_lines("foo_brivanto: Authorization cleared"), 1);
  // Both strings cleared; notices: the click, the press's apply, the outcome.
  EXPECT_EQ(session_key.get() + pending_token.get() + std::to_string(notices_.count), "3");

  click(kIdcAuth);  // Request
  EXPECT_EQ(count_lines("foo_brivanto: Approve in browser, then click Complete authorization"), 1);
  const std::string url = auth_url(pending_token.get());
  EXPECT_EQ(count_lines("foo_brivanto: token received, opening " + url), 1);
  const std::string no_browser = "foo_brivanto: Could not open browser.\r\n\r\n" + url;
  EXPECT_EQ(count_lines(no_browser), 1);
  notices_.count = 0;
  click(kIdcAuth);  // Complete, of a token that nobody approved
  EXPECT_EQ(count_lines("foo_brivanto: " + kReminder), 1);
  EXPECT_EQ(count_lines(no_browser), 2);
  EXPECT_EQ(auth_url(pending_token.get()) + std::to_string(notices_.count), url + "1");
}

// The outcome of a press on a page that was closed is freed, whether it was still queued when
// the page closed or came afterwards, and never reaches the page opened since.
TEST_F(PageTest, AClosedPageLosesItsOutcomes) {
  session_key = "K";
  const WindowHandle closed = dialog_->handle();
  run_auth_task({AuthAction::Clear, "", closed});
  dialog_.release();
  open();
  run_auth_task({AuthAction::Clear, "", closed});
  host_->main_thread().run_pending();
  EXPECT_NE(dialog_->handle(), closed);
  EXPECT_EQ(session_key.get() + std::to_string(notices_.count), "K0");
}

}  // namespace
}  // namespace foo_brivanto
// NOLINTEND(concurrency-mt-unsafe)
