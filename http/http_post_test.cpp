// http_post against the scripted test server (http/test_server), which CTest runs as the
// fixtures http_server (plain) and https_untrusted_server (a self-signed certificate).
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "http/http_client.h"
#include "http/http_post_test_support.h"
#include "tests/support/fixture_url.h"

namespace foo_brivanto {
namespace {

using brivanto_test::fixture_url;

// Short limits for the cases that wait for a server that stops answering: receiving, and
// sending.
constexpr HttpTimeouts kShortReceive{15000, 15000, 1000};
constexpr HttpTimeouts kShortSend{15000, 1000, 15000};

std::string server() {
  return fixture_url("http_server");
}

TEST(HttpPostTest, FinalRepliesReturnTheirBodyWhateverTheirStatus) {
  std::string pieces;
  for (int i = 0; i < 3000; ++i) {
    pieces += "piece " + std::to_string(i) + "\n";
  }
  struct Case {
    std::string path;
    int status;
    std::string reply;
    HttpTimeouts timeouts = kHttpTimeouts;
  };
  const Case cases[] = {
      {"/empty", 200, ""},
      {"/error", 500, "brivanto test server: internal error"},
      {"/chain/3", 200, "end of chain"},
      {"/chunked?pieces=3000", 200, pieces},
      // The body breaks off half way, the connection dropped or silent: what arrived is the
      // reply.
      {"/truncated", 200, std::string(500, 'x')},
      {"/stalled", 200, std::string(500, 'x'), kShortReceive},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const Result result = post(server() + c.path, "a=1", c.timeouts);
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.reply, c.reply);
    EXPECT_EQ(result.error, kUntouched);
  }
}

TEST(HttpPostTest, FailuresGiveTheirTextAndLeaveReplyAndStatusAlone) {
  struct Case {
    std::string path;
    std::string body;
    std::string error;
    HttpTimeouts timeouts = kHttpTimeouts;
  };
  const Case cases[] = {
      {"/chain/4", "a=1", "Too many redirects"},
      {"/not-modified", "a=1", "Redirect without Location header"},
      {redirect_path(302, "http://127.0.0.1:70000/echo"), "a=1", "URL port out of range"},
      // The server takes the request and never answers.
      {"/hang", "a=1", "WinHttpReceiveResponse failed", kShortReceive},
      // The server reads none of a body too big for the connection's buffers.
      {"/hang", std::string(64 << 20, 'b'), "WinHttpSendRequest failed", kShortSend},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + " with " + std::to_string(c.body.size()) + " bytes");
    const Result result = post(server() + c.path, c.body, c.timeouts);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, c.error);
    EXPECT_EQ(result.reply, kUntouched);
    EXPECT_EQ(result.status, kUntouchedStatus);
  }
}

TEST(HttpPostTest, SendsTheBodyAsAFormWithTheComponentsUserAgent) {
  // A form, and a body too big to go out in one piece.
  for (const std::string& body :
       {std::string("api_key=k&artist=A%20B&raw=\xC3\xA9&empty="), std::string(3 << 20, 'b')}) {
    SCOPED_TRACE(body.size());
    const Result result = post(server() + "/echo?format=json", body);
    ASSERT_TRUE(result.ok) << result.error;
    const Echo echo(result.reply);
    EXPECT_EQ(echo.request_line, "POST /echo?format=json");
    EXPECT_EQ(echo.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(echo.header("User-Agent"), "foo_brivanto/1.0");
    EXPECT_EQ(echo.header("Content-Length"), std::to_string(body.size()));
    EXPECT_TRUE(echo.body == body) << "the body came back changed";
  }
}

TEST(HttpPostTest, AnEmptyBodyGoesAsAGetWithTheSameHeaders) {
  const Result result = post(server() + "/echo", "");
  ASSERT_TRUE(result.ok) << result.error;
  const Echo echo(result.reply);
  EXPECT_EQ(echo.request_line, "GET /echo");
  EXPECT_EQ(echo.header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(echo.header("User-Agent"), "foo_brivanto/1.0");
  EXPECT_EQ(echo.body, "");
}

TEST(HttpPostTest, RedirectsSendTheSamePostAgain) {
  const std::string base = server();
  const std::string port = base.substr(base.rfind(':') + 1);
  struct Case {
    std::string path;
    std::string request_line;
    std::string host;
  };
  const Case cases[] = {
      {redirect_path(302, "/echo?hop=1"), "POST /echo?hop=1", "127.0.0.1:" + port},
      {redirect_path(301, "/echo"), "POST /echo", "127.0.0.1:" + port},
      {redirect_path(303, "/echo"), "POST /echo", "127.0.0.1:" + port},
      {redirect_path(307, "/echo"), "POST /echo", "127.0.0.1:" + port},
      {redirect_path(308, "/echo"), "POST /echo", "127.0.0.1:" + port},
      // An absolute Location with another host name for the same server.
      {redirect_path(301, "http://localhost:" + port + "/echo?abs"), "POST /echo?abs",
       "localhost:" + port},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const Result result = post(base + c.path, "track=T&artist=A");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.status, 200);
    const Echo echo(result.reply);
    EXPECT_EQ(echo.request_line, c.request_line);
    EXPECT_EQ(echo.header("Host"), c.host);
    EXPECT_EQ(echo.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(echo.body, "track=T&artist=A");
  }
}

TEST(HttpPostTest, PathsAreSentAsOneSafeRequestTargetAndHostsAsHostNames) {
  const std::string base = server();
  const std::string port = base.substr(base.rfind(':') + 1);
  struct Case {
    std::string url;
    std::string request_line;  // empty: sending fails
  };
  const Case cases[] = {
      // Bytes that would break the request line apart are escaped.
      {base + "/echo?a b\tc\x7F", "POST /echo?a%20b%09c%7F"},
      {base + redirect_path(302, "/echo?x y"), "POST /echo?x%20y"},
      // A relative Location without its "/" still names a path on the server.
      {base + redirect_path(302, "echo"), "POST /echo"},
      // Text before an "@" is part of the host name, never credentials for another host.
      {"http://user@127.0.0.1:" + port + "/echo", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    const Result result = post(c.url, "a=1");
    if (c.request_line.empty()) {
      EXPECT_FALSE(result.ok);
      EXPECT_EQ(result.error, "WinHttpSendRequest failed");
      continue;
    }
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(Echo(result.reply).request_line, c.request_line);
  }
}

TEST(HttpPostTest, ExchangesOnManyThreadsAtOnceKeepToThemselves) {
  constexpr int kThreads = 8;
  const std::string url = server() + redirect_path(307, "/echo");
  std::vector<Result> results(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&results, &url, i] {
      results[static_cast<std::size_t>(i)] = post(url, "thread=" + std::to_string(i));
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  for (int i = 0; i < kThreads; ++i) {
    const Result& result = results[static_cast<std::size_t>(i)];
    ASSERT_TRUE(result.ok) << i << ": " << result.error;
    EXPECT_EQ(Echo(result.reply).body, "thread=" + std::to_string(i));
  }
}

TEST(HttpPostTest, ALocationWithAMalformedPortThrows) {
  std::u16string host;
  std::u16string path;
  std::uint16_t port = 0;
  bool secure = false;
  std::string error;
  ASSERT_TRUE(split_url(server() + redirect_path(302, "http://127.0.0.1:/echo"), host, path, port,
                        secure, error));
  std::string reply;
  int status = 0;
  EXPECT_THROW(http_post(host, port, secure, path, "a=1", reply, error, status),
               std::invalid_argument);
}

TEST(HttpPostTest, ServersThatCannotBeReachedFailToSend) {
  // The test server keeps this port bound without listening on it.
  const Result refused_port = post(server() + "/refused-port", "");
  ASSERT_TRUE(refused_port.ok) << refused_port.error;
  ASSERT_NE(refused_port.reply, "-1");

  for (const std::string& url :
       {"http://127.0.0.1:" + refused_port.reply + "/echo",
        // TLS verification stays on: a certificate nobody vouches for is refused.
        fixture_url("https_untrusted_server") + "/echo"}) {
    SCOPED_TRACE(url);
    const Result result = post(url, "a=1");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "WinHttpSendRequest failed");
    EXPECT_EQ(result.reply, kUntouched);
  }
}

}  // namespace
}  // namespace foo_brivanto
