// Of the authorization, what needs no page: $BROWSER's commands and the worker's judgement of
// each outcome.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "api/api_client.h"
#include "api/service_identity.h"
#include "preferences/auth_worker.h"
#include "preferences/browser_command.h"
#include "tests/support/fixture_url.h"

namespace foo_brivanto {
namespace {

using Lines = std::vector<std::string>;

const std::string kStale =
    "Токен устарел или уже использован.\r\n\r\nНажмите Request authorization и пройдите "
    "авторизацию заново.";

std::string auth_url(const std::string& token) {
  return web_auth_url(brivanto_test::fixture_url("service"), std::string(kApiKey), token);
}

TEST(BrowserCommandTest, FollowsTheConventionOfBrowser) {
  const struct {
    const char* browser;
    std::vector<Lines> commands;  // for the address "U%s"
  } cases[] = {
      {"", {{"xdg-open", "U%s"}}},
      {" a\t-x  %s   -y :b --new=%s,%%,%d%", {{"a", "-x", "U%s", "-y"}, {"b", "--new=U%s,%,%d%"}}},
      {"::a::b c:", {{"a", "U%s"}, {"b", "c", "U%s"}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(browser_commands(c.browser, "U%s"), c.commands) << c.browser;
  }
}

// Tasks that need no service (a Complete without a token asks none), and failed completions.
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
      {AuthAction::Complete, "EXPIRED", false, false, true, kStale},
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

}  // namespace
}  // namespace foo_brivanto
