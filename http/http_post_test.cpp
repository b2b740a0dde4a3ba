// http_post over the platform's HTTP library against the scripted test server, which CTest
// runs as the fixtures http_server (plain), https_untrusted_server (a certificate that signs
// itself) and drip_server (replies that come one piece at a time).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "http/http_client.h"
#include "http/test_support/post.h"
#include "http/test_support/thread_count.h"
#include "tests/support/fixture_url.h"

namespace foo_brivanto {
namespace {

using brivanto_test::fixture_url;

std::string server() {
  return fixture_url("http_server");
}

std::string port_of(const std::string& url) {
  return url.substr(url.rfind(':') + 1);
}

// A drip of `count` pieces, one every `every_ms` (see the test server's --drip).
std::string drip(const std::string& mode, int count, int every_ms, bool tls = false) {
  return (tls ? "https://127.0.0.1:" : "http://127.0.0.1:") + port_of(fixture_url("drip_server")) +
         "/" + mode + "/" + std::to_string(count) + "/" + std::to_string(every_ms);
}

// Per-wait limits well above the drips' intervals, and a total limit well below their length.
constexpr HttpTimeouts kShortTotal{15000, 15000, 15000, 2000};
constexpr HttpTimeouts kShortReceive{15000, 15000, 3000};
constexpr HttpTimeouts kShortSend{15000, 1000, 15000};

struct Case {
  std::string url;
  std::string body;
  std::string expected;  // the reply, or the error of a failure
  HttpTimeouts timeouts = kHttpTimeouts;
  int status = 200;
};

TEST(HttpPostTest, FinalRepliesGiveTheirBodyAndStatus) {
  std::string pieces;
  for (int i = 0; i < 3000; ++i) {
    pieces += "piece " + std::to_string(i) + "\n";
  }
  const Case cases[] = {
      {server() + "/status/200/empty", "a=1", ""},
      {server() + "/status/500/html", "a=1",
       "<html><body><h1>500 from the test gateway</h1></body></html>", kHttpTimeouts, 500},
      {server() + "/chunked?pieces=3000", "a=1", pieces},
      {server() + "/size/1048576", "", std::string(1 << 20, 'x')},
      // The body breaks off half way, the connection dropped or silent: what came is the reply.
      {server() + "/truncated", "a=1", std::string(500, 'x')},
      {server() + "/stalled", "a=1", std::string(500, 'x'), kShortReceive},
      // Any byte that arrives restarts the per-wait limit, inside a header line too.
      {drip("header-bytes", 20, 250), "", "ok", kShortReceive},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    const Result result = post(c.url, c.body, c.timeouts);
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.status, c.status);
    EXPECT_TRUE(result.reply == c.expected) << result.reply.substr(0, 100);
    EXPECT_EQ(result.error, "untouched");
  }
}

TEST(HttpPostTest, FailuresGiveTheirTextAndLeaveReplyAndStatusAlone) {
  const Result refused = post(server() + "/refused-port", "");
  ASSERT_TRUE(refused.ok && refused.reply != "-1") << refused.error;
  const std::string in_time = "HTTP exchange took longer than 2 s";
  const Case cases[] = {
      {server() + "/status/304/empty", "a=1", "Redirect without Location header"},
      {server() + redirect_path(302, "http://127.0.0.1:70000/echo"), "a=1",
       "URL port out of range"},
      {server() + "/size/1048577", "a=1", "Reply larger than 1 MiB"},
      // The server takes the request and never answers.
      {server() + "/hang", "a=1", "WinHttpReceiveResponse failed", kShortReceive},
      // The server reads none of a body too big for the connection's buffers.
      {server() + "/hang", std::string(64 << 20, 'b'), "WinHttpSendRequest failed", kShortSend},
      {"http://127.0.0.1:" + refused.reply + "/echo", "a=1", "WinHttpSendRequest failed"},
      // TLS verification stays on: a certificate nobody vouches for is refused.
      {fixture_url("https_untrusted_server") + "/echo", "a=1", "WinHttpSendRequest failed"},
      // Text before an "@" is part of the host name, never credentials for another host.
      {"http://user@127.0.0.1:" + port_of(server()) + "/echo", "a=1", "WinHttpSendRequest failed"},
      // Servers that keep every wait short of its limit, but never finish.
      {drip("header-bytes", 40, 250), "a=1", in_time, kShortTotal},
      {drip("header-lines", 40, 250), "a=1", in_time, kShortTotal},
      {drip("body", 40, 250), "a=1", in_time, kShortTotal},
      {drip("tls", 40, 250, true), "a=1", in_time, kShortTotal},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url + " with " + std::to_string(c.body.size()) + " bytes");
    const Result result = post(c.url, c.body, c.timeouts);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, c.expected);
    EXPECT_EQ(result.reply, "untouched");
    EXPECT_EQ(result.status, -1);
  }
}

TEST(HttpPostTest, TheServerReceivesTheFormAsSentOnEveryRedirect) {
  const std::string base = server();
  const std::string port = port_of(base);
  const std::string form = "api_key=k&artist=A%20B&raw=\xC3\xA9&empty=";
  struct Echoed {
    std::string url;
    std::string body;
    std::string request_line;
    std::string host{};  // when not 127.0.0.1 and the server's port
  };
  const Echoed cases[] = {
      {base + "/echo?format=json", form, "POST /echo?format=json"},
      {base + "/echo", std::string(1000000, 'b'), "POST /echo"},
      {base + "/echo", "", "GET /echo"},
      {base + redirect_path(302, "/echo?hop=1"), form, "POST /echo?hop=1"},
      {base + redirect_path(301, "/echo"), form, "POST /echo"},
      {base + redirect_path(303, "/echo"), form, "POST /echo"},
      {base + redirect_path(307, "/echo"), "", "GET /echo"},
      {base + redirect_path(308, "/echo"), form, "POST /echo"},
      {base + redirect_path(301, "http://localhost:" + port + "/echo?abs"), form, "POST /echo?abs",
       "localhost:" + port},
      // Bytes that would break the request line apart are escaped, in a Location too.
      {base + "/echo?a b\tc\x7F", form, "POST /echo?a%20b%09c%7F"},
      {base + redirect_path(302, "/echo?x y"), form, "POST /echo?x%20y"},
      // A relative Location without its "/" still names a path on the server.
      {base + redirect_path(302, "echo"), form, "POST /echo"},
  };
  for (const Echoed& c : cases) {
    SCOPED_TRACE(c.url);
    const Result result = post(c.url, c.body);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.status, 200);
    EXPECT_EQ(echo_line(result.reply, ""), c.request_line);
    EXPECT_EQ(echo_line(result.reply, "Host"), c.host.empty() ? "127.0.0.1:" + port : c.host);
    EXPECT_EQ(echo_line(result.reply, "Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(echo_line(result.reply, "User-Agent"), "foo_brivanto/1.0");
    EXPECT_EQ(echo_line(result.reply, "tls"), "no");
    EXPECT_TRUE(echo_body(result.reply) == c.body) << "the body came back changed";
  }
}

TEST(HttpPostTest, ExchangesOnManyThreadsAtOnceKeepToThemselves) {
  std::vector<Result> results(8);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < results.size(); ++i) {
    threads.emplace_back([&results, i] {
      results[i] = post(server() + redirect_path(307, "/echo"), "thread=" + std::to_string(i));
    });
  }
  for (std::size_t i = 0; i < results.size(); ++i) {
    threads[i].join();
    EXPECT_EQ(echo_body(results[i].reply), "thread=" + std::to_string(i)) << results[i].error;
  }
}

// As the component starts them: each exchange on a thread of its own, detached. Every thread
// must be gone soon after the total limit, whatever the server does.
TEST(HttpPostTest, TwoHundredDetachedExchangesWithADripServerEndAtTheLimit) {
  const int before = process_thread_count();
  auto in_time = std::make_shared<std::atomic<int>>(0);
  const std::string url = drip("header-bytes", 40, 1000);
  for (int i = 0; i < 200; ++i) {
    std::thread([in_time, url] {
      const Result result = post(url, "a=1", kShortTotal);
      *in_time += result.error == "HTTP exchange took longer than 2 s" ? 1 : 0;
    }).detach();
  }
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::seconds(pending_calls_end_at_limit() ? 2 + 15 : 40 + 15);
  while (process_thread_count() > before && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
  }
  EXPECT_EQ(process_thread_count(), before);
  EXPECT_EQ(*in_time, 200);
}

}  // namespace
}  // namespace foo_brivanto
