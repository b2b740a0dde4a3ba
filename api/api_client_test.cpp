// The API client against the stand-in service (and, for replies the service never gives, the
// scripted HTTP test server), on both platforms.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "api/api_client.h"
#include "api/service_identity.h"
#include "http/http_client.h"
#include "tests/support/fixture_url.h"
#include "tests/support/stand_in_service.h"

namespace foo_brivanto {
namespace {

using brivanto_test::fixture_url;

ApiClient client_for(const std::string& base_url, std::string_view secret = kSharedSecret) {
  return ApiClient(base_url, std::string(kApiKey), std::string(secret));
}

// Approves `token` through the authorization page's form, as the user's click does.
void approve(const std::string& base_url, const std::string& token) {
  std::u16string host;
  std::u16string path;
  std::uint16_t port = 0;
  bool secure = false;
  std::string error;
  std::string reply;
  int status = 0;
  ASSERT_TRUE(split_url(base_url, host, path, port, secure, error)) << error;
  ASSERT_TRUE(http_post(host, port, secure, u"/api/auth/allow",
                        "api_key=" + std::string(kApiKey) + "&token=" + token, reply, error,
                        status))
      << error;
  ASSERT_EQ(status, 200) << reply;
}

TEST(AuthMethodsTest, TokenApprovalAndSession) {
  const std::string base = fixture_url("service");
  const ApiClient client = client_for(base + "//");  // trailing slashes change nothing
  std::string error = "untouched";
  const auto token = client.get_token(error);
  ASSERT_TRUE(token) << error;
  EXPECT_EQ(token->size(), 32U);

  // Not approved yet: the service says so, and the token stays usable.
  EXPECT_FALSE(client.get_session(*token, error));
  EXPECT_NE(error.find("not authorized"), std::string::npos) << error;

  approve(base, *token);
  error = "untouched";
  const auto key = client.get_session(*token, error);
  ASSERT_TRUE(key) << error;
  EXPECT_EQ(key->size(), 32U);
  EXPECT_EQ(error, "untouched");

  // A token gives one session only.
  EXPECT_FALSE(client.get_session(*token, error));
  EXPECT_EQ(error, "Token already used: request a new one");
}

TEST(AuthMethodsTest, RefusalsCarryTheServiceMessage) {
  const std::string base = fixture_url("service");
  const std::string expiring = fixture_url("service_expiring");
  std::string token_error;
  const auto expired_token = client_for(expiring).get_token(token_error);
  ASSERT_TRUE(expired_token) << token_error;

  const struct {
    const char* what;
    ApiClient client;
    std::string token;
    std::string error;
  } cases[] = {
      {"unknown token", client_for(base), "0123456789abcdef0123456789abcdef",
       "Invalid token: this token was never issued"},
      {"expired token", client_for(expiring), *expired_token, "Token expired: request a new one"},
      {"wrong shared secret", client_for(base, "00000000000000000000000000000000"),
       "0123456789abcdef0123456789abcdef", "Invalid method signature"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(c.client.get_session(c.token, error), std::nullopt) << c.what;
    EXPECT_EQ(error, c.error) << c.what;
  }

  std::string error;
  EXPECT_FALSE(ApiClient(base, "ffffffffffffffffffffffffffffffff", std::string(kSharedSecret))
                   .get_token(error));
  EXPECT_EQ(error, "Invalid API key");
}

TEST(AuthMethodsTest, ReplyWithoutTheFieldOrAMessage) {
  const std::string gateway = fixture_url("http_server") + "/status/";
  const std::string page = "<html><body><h1>502 from the test gateway</h1></body></html>";
  const struct {
    std::string base_url;
    std::string token_error;
    std::string session_error;
  } cases[] = {
      {gateway + "502/html", "token not found in response: " + page,
       "session key not found: " + page},
      {gateway + "200/empty", "token not found in response: ", "session key not found: "},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(client_for(c.base_url).get_token(error));
    EXPECT_EQ(error, c.token_error);
    EXPECT_FALSE(client_for(c.base_url).get_session("t", error));
    EXPECT_EQ(error, c.session_error);
  }
}

TEST(AuthMethodsTest, WebAuthUrl) {
  EXPECT_EQ(web_auth_url("https://www.brivanto.com/", "5e0c7a91", "tok-1_2.3~"),
            "https://www.brivanto.com/api/auth?api_key=5e0c7a91&token=tok-1_2.3~");
  EXPECT_EQ(web_auth_url("http://h:81", "k", "a b/c&d=\xC3\xA9"),
            "http://h:81/api/auth?api_key=k&token=a+b%2Fc%26d%3D%C3%A9");
}

TEST(ApiCallTest, TransportFailuresComeBackAsErrors) {
  const struct {
    std::string base_url;
    const char* error;
  } cases[] = {
      {"ftp://127.0.0.1", "URL must start with http:// or https://"},
      {"HTTP://127.0.0.1", "URL must start with http:// or https://"},
      {"http://127.0.0.1:70000", "URL port out of range"},
      {"http://127.0.0.1:1", "WinHttpSendRequest failed"},
  };
  for (const auto& c : cases) {
    std::string reply = "kept";
    std::string error;
    EXPECT_FALSE(client_for(c.base_url).call({{"method", "auth.getToken"}}, reply, error))
        << c.base_url;
    EXPECT_EQ(error, c.error) << c.base_url;
    EXPECT_EQ(reply, "kept") << c.base_url;
  }
}

TEST(ApiCallTest, SetsItsOwnKeyAndFormatAndKeepsErrorStatusReplies) {
  const std::string base = fixture_url("service");
  std::string reply;
  std::string error;
  int status = 0;
  ASSERT_TRUE(client_for(base).call(
      {{"method", "auth.getToken"}, {"api_key", "other"}, {"format", "xml"}}, reply, error, status))
      << error;
  EXPECT_EQ(status, 200);
  EXPECT_TRUE(json_string_field(reply, "token")) << reply;

  reply.clear();
  ASSERT_TRUE(client_for(base).call({{"method", "no.such.method"}}, reply, error, status));
  EXPECT_EQ(status, 400);
  EXPECT_EQ(json_error_message(reply), "Invalid method: no.such.method");
}

class TrackMethodsTest : public ::testing::Test {
 protected:
  void SetUp() override { session_ = brivanto_test::new_session_key(base_); }

  const std::string base_ = fixture_url("service");
  std::string session_;
};

TEST_F(TrackMethodsTest, WhatTheServiceReceives) {
  using Params = std::map<std::string, std::string>;
  const struct {
    const char* what;
    TrackInfo track;
    Params expected;  // besides api_key, api_sig, format, method, sk
  } cases[] = {
      {"every field",
       {"Сплин", "Выхода нет", "Гранатовый альбом", 245, 1765030000},
       {{"artist", "Сплин"},
        {"track", "Выхода нет"},
        {"album", "Гранатовый альбом"},
        {"duration", "245"},
        {"timestamp", "1765030000"}}},
      {"empty album and zero duration are left out; a zero timestamp is sent",
       {"A", "T", "", 0, 0},
       {{"artist", "A"}, {"track", "T"}, {"timestamp", "0"}}},
      {"an album of one space, duration 1, a timestamp before 1970",
       {"A b", "T&=+%", " ", 1, -5},
       {{"artist", "A b"},
        {"track", "T&=+%"},
        {"album", " "},
        {"duration", "1"},
        {"timestamp", "-5"}}},
      {"negative duration is left out",
       {"A", "T", "L", -3, 7},
       {{"artist", "A"}, {"track", "T"}, {"album", "L"}, {"timestamp", "7"}}},
  };
  const ApiClient client = client_for(base_);
  for (const auto& c : cases) {
    std::string error;
    EXPECT_TRUE(client.update_now_playing(session_, c.track, error)) << c.what << ": " << error;
    EXPECT_TRUE(client.scrobble(session_, c.track, error)) << c.what << ": " << error;
  }

  const auto history = brivanto_test::fetch_history(base_, session_);
  ASSERT_EQ(history.now_playing.size(), std::size(cases));
  ASSERT_EQ(history.scrobbles.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    for (const auto& [calls, method] :
         {std::pair{&history.scrobbles, "track.scrobble"},
          std::pair{&history.now_playing, "track.updateNowPlaying"}}) {
      Params received = (*calls)[i].params;
      EXPECT_EQ(received["api_key"], kApiKey);
      EXPECT_EQ(received["format"], "json");
      EXPECT_EQ(received["method"], method);
      EXPECT_EQ(received["sk"], session_);
      EXPECT_EQ(received["api_sig"].size(), 32U);
      for (const char* name : {"api_key", "api_sig", "format", "method", "sk"}) {
        received.erase(name);
      }
      Params expected = cases[i].expected;
      if (std::string(method) == "track.updateNowPlaying") {
        expected.erase("timestamp");
      }
      EXPECT_EQ(received, expected) << cases[i].what << ", " << method;
    }
  }
}

TEST_F(TrackMethodsTest, RejectedCallsGiveTheWholeReply) {
  const TrackInfo track{"A", "T", "", 100, 1765030000};
  const std::string gateway = fixture_url("http_server") + "/status/";
  const struct {
    std::string base_url;
    std::string session;
    bool ok;
    std::string error;
  } cases[] = {
      {base_, "ffffffffffffffffffffffffffffffff", false,
       R"({"error":6,"message":"Invalid session key"})"},
      {base_, "", false, R"({"error":3,"message":"Missing parameter: sk"})"},
      {gateway + "502/html", session_, false,
       "<html><body><h1>502 from the test gateway</h1></body></html>"},
      {gateway + "404/empty", session_, false, "HTTP 404"},
      {gateway + "200/empty", session_, true, ""},
      {gateway + "204/empty", session_, true, ""},
      {"http://127.0.0.1:1", session_, false, "WinHttpSendRequest failed"},
  };
  for (const auto& c : cases) {
    for (const bool scrobble : {false, true}) {
      std::string error;
      const ApiClient client = client_for(c.base_url);
      const bool ok = scrobble ? client.scrobble(c.session, track, error)
                               : client.update_now_playing(c.session, track, error);
      EXPECT_EQ(ok, c.ok) << c.base_url << (scrobble ? " scrobble" : " now playing");
      EXPECT_EQ(error, c.error) << c.base_url << (scrobble ? " scrobble" : " now playing");
    }
  }
}

}  // namespace
}  // namespace foo_brivanto
