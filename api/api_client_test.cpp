// What each method puts on the wire and how it judges a reply, against a loopback server that
// records the request and answers with the reply a case chooses.
#include <gtest/gtest.h>
#include <httplib.h>

#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "api/api_client.h"

namespace foo_brivanto {
namespace {

constexpr const char* kKey = "5e0c7a91d3b24f86a1c09e7d2b6f4a38";

// A loopback server that keeps the body of the request it received and answers with the
// status and reply the test set.
struct ScriptedServer {
  ScriptedServer() {
    server.Post("/api/2.0", [this](const httplib::Request& request, httplib::Response& response) {
      const std::lock_guard lock(mutex);
      received = request.body;
      response.status = status;
      response.set_content(reply, "application/json");
    });
    url = "http://127.0.0.1:" + std::to_string(server.bind_to_any_port("127.0.0.1")) + "//";
    thread = std::thread([this] { server.listen_after_bind(); });
    while (!server.is_running()) {
      std::this_thread::yield();
    }
  }
  ~ScriptedServer() {
    server.stop();
    thread.join();
  }
  // Sets the next answer; gives the body received since the last call.
  std::string exchange(int next_status, std::string next_reply) {
    const std::lock_guard lock(mutex);
    status = next_status;
    reply = std::move(next_reply);
    return std::exchange(received, "");
  }

  httplib::Server server;
  std::thread thread;
  std::mutex mutex;
  int status = 200;
  std::string reply, received, url;
};

enum class Call { kToken, kSession, kNowPlaying, kScrobble };

// The call's outcome as one text: the token or key, or "ok"; else "error: " (a track call:
// "curable: " or "rejected: ") and the error text.
std::string outcome(const ApiClient& client, Call call, const TrackInfo& track) {
  std::string error;
  if (call == Call::kToken || call == Call::kSession) {
    const auto value =
        call == Call::kToken ? client.get_token(error) : client.get_session("t", error);
    return value ? *value : "error: " + error;
  }
  switch (call == Call::kNowPlaying ? client.update_now_playing("sk1", track, error)
                                    : client.scrobble("sk1", track, error)) {
    case TrackCallOutcome::kAccepted:
      return "ok";
    case TrackCallOutcome::kCurable:
      return "curable: " + error;
    case TrackCallOutcome::kRejected:
      return "rejected: " + error;
  }
  return "?";
}

// A received body with the API key written K and the 32 characters of a signature SIG.
std::string masked(std::string body) {
  if (const auto at = body.find("api_sig="); at != std::string::npos) {
    body.replace(at + 8, 32, "SIG");
  }
  return body.replace(body.find(kKey), 32, "K");
}

TEST(ApiClientTest, WhatEachMethodSends) {
  ScriptedServer server;
  const ApiClient client(server.url, kKey, "secret");
  const TrackInfo full{"A b", "T&", "L", 185, 1765030000};
  const TrackInfo sparse{"", "T", " ", -3, -5};
  const TrackInfo minimal{"A", "T", "", 1, 0};
  const struct {
    Call call;
    TrackInfo track;
    const char* body;
  } cases[] = {
      {Call::kToken, {}, "api_key=K&format=json&method=auth.getToken"},
      {Call::kSession, {}, "api_key=K&api_sig=SIG&format=json&method=auth.getSession&token=t"},
      {Call::kNowPlaying, full,
       "album=L&api_key=K&api_sig=SIG&artist=A+b&duration=185&format=json&"
       "method=track.updateNowPlaying&sk=sk1&track=T%26"},
      {Call::kScrobble, full,
       "album=L&api_key=K&api_sig=SIG&artist=A+b&duration=185&format=json&"
       "method=track.scrobble&sk=sk1&timestamp=1765030000&track=T%26"},
      {Call::kScrobble, sparse,
       "album=+&api_key=K&api_sig=SIG&artist=&format=json&method=track.scrobble&sk=sk1&"
       "timestamp=-5&track=T"},
      {Call::kScrobble, minimal,
       "api_key=K&api_sig=SIG&artist=A&duration=1&format=json&method=track.scrobble&sk=sk1&"
       "timestamp=0&track=T"},
  };
  for (const auto& c : cases) {
    outcome(client, c.call, c.track);
    EXPECT_EQ(masked(server.exchange(200, "{}")), c.body);
  }
  std::string reply;
  std::string error;
  client.call({{"method", "m"}, {"api_key", "other"}, {"format", "xml"}}, reply, error);
  EXPECT_EQ(masked(server.exchange(200, "{}")), "api_key=K&format=json&method=m");
}

TEST(ApiClientTest, HowEachMethodJudgesAReply) {
  ScriptedServer server;
  const ApiClient client(server.url, kKey, "secret");
  const std::string x1500 = R"({"x":")" + std::string(1500, 'x') + "\"}";
  const std::string cut = x1500.substr(0, 1000) + "…";
  const std::string x1000 = std::string(1000, 'x') + "…";
  const std::string error_1500 = R"({"error":1,)" + x1500.substr(1);
  const struct {
    Call call;
    int status;
    std::string reply;
    std::string outcome;
  } cases[] = {
      {Call::kToken, 200, R"({"token":"abc"})", "abc"},
      {Call::kToken, 200, R"({"token":""})", R"(error: token not found in response: {"token":""})"},
      {Call::kToken, 200, "", "error: token not found in response: "},
      {Call::kToken, 200, x1500, "error: token not found in response: " + cut},
      {Call::kToken, 200, R"({"error":14,"message":"Unauthorized"})", "error: Unauthorized"},
      {Call::kSession, 200, R"({"message":"m","session":{"key":"k1"}})", "k1"},
      {Call::kSession, 200, R"({"session":{"name":"x","key":""}})",
       R"(error: session key not found: {"session":{"name":"x","key":""}})"},
      {Call::kSession, 403, R"({"error":4,"message":"Invalid token"})", "error: Invalid token"},
      {Call::kSession, 200, R"({"message":")" + x1500.substr(6), "error: " + x1000},
      {Call::kNowPlaying, 200, R"({"status":"no error","errors":[]})", "ok"},
      {Call::kNowPlaying, 200, R"({"echo":"error"})", R"(rejected: {"echo":"error"})"},
      {Call::kScrobble, 200, "", "ok"},
      {Call::kScrobble, 404, "", "curable: HTTP 404"},
      {Call::kScrobble, 502, "<h1>Bad gateway</h1>", "curable: <h1>Bad gateway</h1>"},
      {Call::kScrobble, 503, x1500, "curable: " + cut},
      {Call::kScrobble, 200, error_1500, "rejected: " + error_1500.substr(0, 1000) + "…"},
      {Call::kScrobble, 503, R"({"error":16,"message":"m"})",
       R"(curable: {"error":16,"message":"m"})"},
      {Call::kNowPlaying, 400, R"({"error":13,"message":"m"})",
       R"(rejected: {"error":13,"message":"m"})"},
  };
  for (const auto& c : cases) {
    server.exchange(c.status, c.reply);
    EXPECT_EQ(outcome(client, c.call, {"A", "T", "", 0, 0}), c.outcome) << c.reply;
  }
  EXPECT_EQ(outcome(ApiClient("http://127.0.0.1:1", kKey, ""), Call::kScrobble, {}),
            "curable: WinHttpSendRequest failed");
}

}  // namespace
}  // namespace foo_brivanto
