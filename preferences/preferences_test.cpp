// The preferences page: the worker's judgement of a failed completion, the dialog's answer to
// each outcome, its switches, and the whole authorization against the stand-in service.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "api/api_client.h"
#include "api/service_identity.h"
#include "player/page_window.h"
#include "preferences/auth_worker.h"
#include "preferences/preferences_dialog.h"
#include "settings/settings.h"
#include "tests/support/attached_host.h"
#include "tests/support/fixture_url.h"
#include "tests/support/settings_reset.h"

namespace foo_brivanto {
namespace {

using Lines = std::vector<std::string>;
using brivanto_test::fixture_url;

const char kStale[] =
    "Токен устарел или уже использован.\r\n\r\nНажмите Request authorization и пройдите "
    "авторизацию заново.";

std::string auth_url(const std::string& token) {
  return web_auth_url(fixture_url("service"), std::string(kApiKey), token);
}

TEST(AuthWorkerTest, ClassifiesAFailedCompletion) {
  const struct {
    const char* error;
    bool ok;
    bool reopen;
    bool clear;
    std::string text;
  } cases[] = {
      {"Token NOT AUTHORIZED yet", true, true, false, auth_url("t-1")},
      {"please Visit Web Auth first", true, true, false, auth_url("t-1")},
      {"not authorized, and the token expired", true, true, false, auth_url("t-1")},
      {"Invalid token: this token was never issued", false, false, true, kStale},
      {"Token expired: request a new one", false, false, true, kStale},
      {"connection refused", false, false, true, kStale},  // "used", inside "refused"
      {"WinHttpSendRequest failed", false, false, false, "WinHttpSendRequest failed"},
      {"", false, false, false, "auth.getSession failed"},
  };
  for (const auto& c : cases) {
    AuthResult result;
    classify_session_failure(c.error, "t-1", result);
    EXPECT_EQ(result.ok, c.ok) << c.error;
    EXPECT_EQ(result.reopen_browser, c.reopen) << c.error;
    EXPECT_EQ(result.clear_pending_token, c.clear) << c.error;
    EXPECT_EQ(result.text, c.text) << c.error;
  }
}

TEST(AuthWorkerTest, TasksThatNeedNoRequest) {
  brivanto_test::AttachedHost host;
  const ApiClient unreachable("http://127.0.0.1:1", std::string(kApiKey),
                              std::string(kSharedSecret));
  const auto clear = perform_auth_task({AuthAction::Clear, "t", nullptr}, unreachable);
  EXPECT_TRUE(clear->ok);
  EXPECT_EQ(clear->action, 2);

  const auto complete = perform_auth_task({AuthAction::Complete, "", nullptr}, unreachable);
  EXPECT_FALSE(complete->ok);
  EXPECT_TRUE(complete->clear_pending_token);
  EXPECT_EQ(complete->text, "Сначала нажмите Request authorization — откроется браузер 127.0.0.1.");

  const auto request = perform_auth_task({AuthAction::Request, "", nullptr}, unreachable);
  EXPECT_FALSE(request->ok);
  EXPECT_EQ(request->text, "WinHttpSendRequest failed");
}

// An open page, its console and its message boxes.
class PageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    brivanto_test::reset_settings();
    std::uint32_t error = 0;
    dialog_ = service_new<PreferencesDialog>(nullptr);
    ASSERT_TRUE(dialog_->create(fbplayer::page_parent_window(), error)) << error;
    host_->console().clear();
  }

  void TearDown() override { dialog_.release(); }

  std::string label() {
    for (const auto& control : fbplayer::page_controls(dialog_->window())) {
      if (control.id == kIdcAuth) {
        return control.text;
      }
    }
    return "(no button)";
  }

  void click(int id) {
    ASSERT_TRUE(fbplayer::click_page_control(dialog_->window(), id));
    host_->main_thread().run_pending();
  }

  // Runs main-thread tasks until the console shows `text`.
  void wait_for_line(const std::string& text) {
    const auto seen = [&] {
      for (const std::string& line : host_->console().lines()) {
        if (line.find(text) != std::string::npos) {
          return true;
        }
      }
      return false;
    };
    ASSERT_TRUE(host_->main_thread().run_until(
        seen, std::chrono::steady_clock::now() + std::chrono::seconds(30)))
        << "no console line with: " << text;
  }

  Lines popups() {
    Lines texts;
    for (const auto& popup : host_->popups().shown()) {
      texts.push_back(popup.title + ": " + popup.text);
    }
    return texts;
  }

  brivanto_test::AttachedHost host_;
  service_ptr_t<PreferencesDialog> dialog_;
};

TEST_F(PageTest, EveryOutcomeOfEveryPress) {
  const std::string reminder =
      "Откройте 127.0.0.1 в браузере, войдите и нажмите «Разрешить». Затем вернитесь сюда и "
      "нажмите Complete authorization.";
  const struct {
    const char* what;
    std::string session, pending;  // before
    AuthResult outcome;
    std::string session_after, pending_after;
    Lines console;  // besides the lines of message boxes
    Lines shown;
    const char* label;
  } cases[] = {
      {"request: token obtained",
       "",
       "",
       {0, true, false, false, "http://u", "T2", ""},
       "",
       "T2",
       {"foo_brivanto: Approve in browser, then click Complete authorization"},
       {},
       "Complete authorization"},
      {"request fails",
       "",
       "",
       {0, false, false, false, "WinHttpSendRequest failed", "", ""},
       "",
       "",
       {},
       {"foo_brivanto: WinHttpSendRequest failed"},
       "Request authorization"},
      {"complete: session key obtained",
       "",
       "T",
       {1, true, false, false, "", "", "K"},
       "K",
       "",
       {"foo_brivanto: Authorized (session key saved)"},
       {},
       "Clear authorization"},
      {"complete: not approved yet",
       "",
       "T",
       {1, true, true, false, "http://u", "", ""},
       "",
       "T",
       {},
       {"foo_brivanto: " + reminder},
       "Complete authorization"},
      {"complete: token unusable",
       "",
       "T",
       {1, false, false, true, kStale, "", ""},
       "",
       "",
       {},
       {std::string("foo_brivanto: ") + kStale},
       "Request authorization"},
      {"complete: other failure",
       "",
       "T",
       {1, false, false, false, "boom", "", ""},
       "",
       "T",
       {},
       {"foo_brivanto: boom"},
       "Complete authorization"},
      {"clear",
       "K",
       "T",
       {2, true, false, false, "", "", ""},
       "",
       "",
       {"foo_brivanto: Authorization cleared"},
       {},
       "Request authorization"},
      {"unknown action",
       "K",
       "",
       {7, true, false, false, "", "", ""},
       "K",
       "",
       {},
       {},
       "Clear authorization"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    session_key = c.session;
    pending_token = c.pending;
    host_->console().clear();
    host_->popups().clear();
    dialog_->on_auth_result(new AuthResult(c.outcome));
    EXPECT_EQ(session_key.get(), c.session_after);
    EXPECT_EQ(pending_token.get(), c.pending_after);
    Lines console = c.console;
    for (const std::string& shown : c.shown) {
      console.push_back(shown);
    }
    EXPECT_EQ(host_->console().lines(), console);
    EXPECT_EQ(popups(), c.shown);
    EXPECT_EQ(label(), c.label);
  }
}

TEST_F(PageTest, SwitchesApplyAndReset) {
  EXPECT_EQ(dialog_->page_state(), 8U);
  click(kIdcEnableScrobbling);
  EXPECT_EQ(dialog_->page_state(), 9U);
  click(kIdcEnableScrobbling);
  EXPECT_EQ(dialog_->page_state(), 8U);

  click(kIdcEnableScrobbling);
  click(kIdcEnableNowPlaying);
  dialog_->reset();  // shows what is stored, not the defaults
  EXPECT_EQ(dialog_->page_state(), 8U);
  EXPECT_TRUE(enable_scrobbling);
}

TEST_F(PageTest, AnIndeterminateCheckBoxCountsAsOff) {
  set_button_check(dialog_->window(), kIdcEnableNowPlaying, kBstIndeterminate);
  if (button_check(dialog_->window(), kIdcEnableNowPlaying) != kBstIndeterminate) {
    GTEST_SKIP() << "this window system's two-state check boxes cannot hold the state";
  }
  EXPECT_EQ(dialog_->page_state(), 9U);
  dialog_->apply();
  EXPECT_FALSE(enable_now_playing);
  EXPECT_EQ(dialog_->page_state(), 8U);
}

TEST_F(PageTest, OpeningAnOldConfigurationDropsItsPendingToken) {
  dialog_.release();
  const struct {
    int version;
    const char* session;
    const char* label;
  } cases[] = {{3, "", "Request authorization"},
               {3, "K", "Clear authorization"},
               {4, "", "Complete authorization"}};
  for (const auto& c : cases) {
    settings_version = c.version;
    session_key = c.session;
    pending_token = "old token";
    std::uint32_t error = 0;
    dialog_ = service_new<PreferencesDialog>(nullptr);
    ASSERT_TRUE(dialog_->create(fbplayer::page_parent_window(), error));
    EXPECT_EQ(label(), c.label) << c.version << " " << c.session;
  }
}

TEST_F(PageTest, APressStoresUnappliedSwitchesAndClearsBothStrings) {
  session_key = "K";
  pending_token = "T";
  click(kIdcEnableNowPlaying);
  click(kIdcAuth);
  EXPECT_FALSE(enable_now_playing);
  EXPECT_EQ(dialog_->page_state(), 8U);
  wait_for_line("foo_brivanto: Authorization cleared");
  EXPECT_EQ(session_key.get(), "");
  EXPECT_EQ(pending_token.get(), "");
  EXPECT_EQ(label(), "Request authorization");
}

TEST_F(PageTest, ClosingThePageWhileTheWorkerRunsChangesNothing) {
  // The press, and the page closed before the main thread handles anything else: whatever the
  // worker posts meanwhile must be dropped, and freed, with the window.
  dialog_->on_auth_button();  // Request, against the service
  dialog_.release();
  wait_for_line("foo_brivanto: token received, opening ");
  host_->main_thread().run_pending();
  EXPECT_EQ(pending_token.get(), "");
  EXPECT_TRUE(host_->popups().shown().empty());
}

}  // namespace
}  // namespace foo_brivanto
