// http_post over the platform's HTTP library against the fixtures of the scripted test server:
// http_server, drip_server (replies a piece at a time), https_server, https_other_host_server
// (the test authority's certificates for this host, and for another) and https_untrusted_server.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "http/http_client.h"
#include "http/test_support/platform.h"
#include "tests/support/fixture_url.h"

namespace foo_brivanto {
namespace {

using brivanto_test::fixture_url;

using Clock = std::chrono::steady_clock;

// The outputs of http_post, holding before the call what a failure must leave in them, and how
// long the call took.
struct Result {
  bool ok = false;
  std::string reply = "untouched";
  std::string error = "untouched";
  int status = -1;
  std::chrono::milliseconds took{};
};

// http_post of `body` to an absolute URL, into `result`.
void post(Result& result, const std::string& url, const std::string& body,
          const HttpTimeouts& timeouts = kHttpTimeouts) {
  std::u16string host;
  std::u16string path;
  std::uint16_t port = 0;
  bool secure = false;
  EXPECT_TRUE(split_url(url, host, path, port, secure, result.error)) << url;
  const Clock::time_point start = Clock::now();
  result.ok = http_post(host, port, secure, path, body, result.reply, result.error, result.status,
                        timeouts);
  result.took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

Result post(const std::string& url, const std::string& body,
            const HttpTimeouts& timeouts = kHttpTimeouts) {
  Result result;
  post(result, url, body, timeouts);
  return result;
}

// How late after its total limit an exchange may end: the time to wake and return.
constexpr auto kWakeUp = std::chrono::seconds(3);

std::string port_of(const std::string& url) {
  return url.substr(url.rfind(':') + 1);
}

// A drip of `count` pieces, one every `every_ms` (see the test server's --drip).
std::string drip(const std::string& mode, int count, int every_ms, const char* scheme = "http") {
  return std::string(scheme) + "://127.0.0.1:" + port_of(fixture_url("drip_server")) + "/" + mode +
         "/" + std::to_string(count) + "/" + std::to_string(every_ms);
}

// A total limit well below the drips' length, and per-wait limits well below the total limit.
constexpr HttpTimeouts kShortTotal{5000, 5000, 5000, 2000};
constexpr HttpTimeouts kShortReceive{15000, 15000, 3000, 10000};
constexpr HttpTimeouts kShortSend{15000, 1000, 15000, 10000};

struct Case {
  std::string url;
  std::string body;
  std::string outcome;  // "200: " and the reply, or the error of a failure
  HttpTimeouts timeouts = kHttpTimeouts;
};

TEST(HttpPostTest, EveryEndingGivesItsReplyOrItsText) {
  const std::string server = fixture_url("http_server");
  std::string letters;
  for (int i = 0; i < (1 << 20) + 1; ++i) {
    letters += static_cast<char>('a' + i % 26);
  }
  const std::string late = "HTTP exchange took longer than 2 s";
  const Case cases[] = {
      {server + "/status/200/empty", "a=1", "200: "},
      {server + "/status/500/html", "a=1",
       "500: <html><body><h1>500 from the test gateway</h1></body></html>"},
      // In many pieces, up to the cap and no further.
      {server + "/size/1048576", "", "200: " + letters.substr(0, 1 << 20)},
      {server + "/size/1048577", "a=1", "Reply larger than 1 MiB"},
      // The body breaks off, the connection dropped or silent: what came is the reply.
      {drip("body", 100, 0), "a=1", "200: " + std::string(500, 'x')},
      {drip("body", 1, 20000), "a=1", "200: ", kShortReceive},
      {server + "/status/304/empty", "a=1", "Redirect without Location header"},
      // The server takes the request and never answers, or reads none of a body too big for the
      // connection's buffers.
      {drip("silence", 1, 20000), "a=1", "WinHttpReceiveResponse failed", kShortReceive},
      {drip("silence", 1, 20000), std::string(64 << 20, 'b'), "WinHttpSendRequest failed",
       kShortSend},
      // TLS verification stays on: a certificate nobody vouches for is refused, and so is one
      // that the test authority signed for another host name.
      {fixture_url("https_untrusted_server") + "/echo", "a=1", "WinHttpSendRequest failed"},
      {fixture_url("https_other_host_server") + "/echo", "a=1", "WinHttpSendRequest failed"},
      // Text before an "@" is part of the host name, never credentials for another host.
      {"http://user@127.0.0.1:" + port_of(server) + "/echo", "a=1", "WinHttpSendRequest failed"},
      // Any byte restarts the per-wait limit, inside a header line too; but however slowly bytes
      // come, the total limit ends the exchange, and on time.
      {drip("header-bytes", 20, 250), "", "200: ok", kShortReceive},
      {drip("header-bytes", 32, 250), "a=1", late, kShortTotal},
      {drip("header-lines", 32, 250), "a=1", late, kShortTotal},
      {drip("body", 32, 250), "a=1", late, kShortTotal},
      {drip("tls", 32, 250, "https"), "a=1", late, kShortTotal},
      {drip("redirect", 3, 500), "a=1", late, kShortTotal},  // redirects count too
  };
  // Each exchange on a thread of its own, as the component runs them, so the slow ones overlap.
  std::vector<std::future<Result>> results;
  for (const Case& c : cases) {
    results.push_back(
        std::async(std::launch::async, [&c] { return post(c.url, c.body, c.timeouts); }));
  }
  for (std::size_t i = 0; i < results.size(); ++i) {
    const Case& c = cases[i];
    const Result result = results[i].get();
    const std::string outcome =
        result.ok ? std::to_string(result.status) + ": " + result.reply : result.error;
    EXPECT_TRUE(outcome == c.outcome) << c.url.substr(0, 100) << ": " << outcome.substr(0, 100);
    EXPECT_EQ(result.ok ? result.error : result.reply, "untouched") << c.url.substr(0, 100);
    EXPECT_LE(result.took, std::chrono::milliseconds(c.timeouts.total_ms) + kWakeUp) << c.url;
  }
}

TEST(HttpPostTest, TheServerReceivesTheFormAsSentOnEveryRedirectAndThread) {
  const std::string base = fixture_url("http_server");
  const std::string port = ":" + port_of(base);
  const std::string tls_port = ":" + port_of(fixture_url("https_server"));
  const std::string form = "api_key=k&artist=A%20B&raw=\xC3\xA9&empty=";
  struct Echoed {
    std::string url;
    std::string body;
    std::string seen;  // request line, Host, TLS (see the test server's /echo)
  };
  const Echoed cases[] = {
      {base + "/echo?format=json", form, "POST /echo?format=json 127.0.0.1" + port + " no"},
      {base + "/echo", std::string(1000000, 'b'), "POST /echo 127.0.0.1" + port + " no"},
      {base + "/echo", "", "GET /echo 127.0.0.1" + port + " no"},
      {base + "/redirect/302?to=/echo%3Fhop", form, "POST /echo?hop 127.0.0.1" + port + " no"},
      {base + "/redirect/303?to=/echo", form, "POST /echo 127.0.0.1" + port + " no"},
      {base + "/redirect/307?to=/echo", "", "GET /echo 127.0.0.1" + port + " no"},
      {base + "/redirect/301?to=http://localhost" + port + "/echo%3Fabs", form,
       "POST /echo?abs localhost" + port + " no"},
      // Bytes that would break the request line apart are escaped, in a Location too; and a
      // relative Location without its "/" still names a path on the server.
      {base + "/echo?a b\tc\x7F", form, "POST /echo?a%20b%09c%7F 127.0.0.1" + port + " no"},
      {base + "/redirect/302?to=/echo%3Fx y", form, "POST /echo?x%20y 127.0.0.1" + port + " no"},
      {base + "/redirect/302?to=echo", form, "POST /echo 127.0.0.1" + port + " no"},
      // Certificates that the test authority signed for these names; and an absolute https
      // Location switches host, port and TLS on.
      {"https://127.0.0.1" + tls_port + "/echo", form, "POST /echo 127.0.0.1" + tls_port + " yes"},
      {base + "/redirect/301?to=https://localhost" + tls_port + "/echo%3Fmoved", form,
       "POST /echo?moved localhost" + tls_port + " yes"},
  };
  const std::string form_headers =
      "\nContent-Type: application/x-www-form-urlencoded\nUser-Agent: foo_brivanto/1.0\n\n";
  // All at once, each on a thread of its own: exchanges keep to themselves.
  std::vector<Result> results(std::size(cases));
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < results.size(); ++i) {
    threads.emplace_back([&, i] { results[i] = post(cases[i].url, cases[i].body); });
  }
  for (std::size_t i = 0; i < results.size(); ++i) {
    threads[i].join();
    if (!cases[i].seen.ends_with(" yes") || !under_wine()) {  // Wine takes no test authority
      EXPECT_TRUE(results[i].reply == cases[i].seen + form_headers + cases[i].body)
          << cases[i].url << ": " << results[i].error << results[i].reply.substr(0, 200);
    }
  }
}

// Fifty at once, as the component runs them, against a header line and a body that go on long
// after the limit, and redirects that each come within it: every caller has the limit's error
// on time. Wine's WinHTTP goes on with a blocked call until the server stops: the exchange's
// thread must then end, having done nothing more, and leave its caller's outputs alone.
TEST(HttpPostTest, FiftyExchangesAtOnceEndAtTheLimitAndHearNothingLater) {
  constexpr HttpTimeouts kShippedWaits{15000, 15000, 15000, 2000};
  const std::string urls[] = {drip("header-bytes", 8, 1000), drip("body", 2, 8000),
                              drip("redirect", 3, 500)};
  const auto drips_end = std::chrono::seconds(8);  // the first piece of the body's
  std::thread([] {}).join();  // helper threads that start with the first thread (sanitizers')
  const int before = process_thread_count();
  const Clock::time_point start = Clock::now();
  std::vector<Result> results(50);
  std::vector<std::thread> callers;
  for (std::size_t i = 0; i < results.size(); ++i) {
    callers.emplace_back(
        [&, i] { post(results[i], urls[i % std::size(urls)], "a=1", kShippedWaits); });
  }
  for (std::size_t i = 0; i < results.size(); ++i) {
    callers[i].join();
    EXPECT_EQ(results[i].error, "HTTP exchange took longer than 2 s") << urls[i % std::size(urls)];
    EXPECT_LE(results[i].took, std::chrono::seconds(2) + kWakeUp) << urls[i % std::size(urls)];
  }
  // Thread ends give no event to wait on, so threads are counted; those of earlier tests in
  // this process may still be ending.
  while (process_thread_count() > before && Clock::now() < start + drips_end + kWakeUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_LE(process_thread_count(), before);
  for (const Result& result : results) {
    EXPECT_EQ(result.error + " " + result.reply + " " + std::to_string(result.status),
              "HTTP exchange took longer than 2 s untouched -1");
  }
}

// Once http_post has returned at the limit, its caller's reply, error and status may be gone,
// or hold something else: the exchange's thread, which Wine's WinHTTP keeps in its call until
// the server answers, must never write its late outcome into them. Here they outlive the call,
// the caller uses them again, and they are checked once the late answer has come and the
// exchange's thread has ended.
TEST(HttpPostTest, AfterTheLimitTheExchangeNeverTouchesTheCallersOutputs) {
  constexpr HttpTimeouts kOneSecond{15000, 15000, 15000, 1000};
  constexpr auto kAnswerAfter = std::chrono::seconds(3);
  std::thread([] {}).join();  // helper threads that start with the first thread (sanitizers')
  const int before = process_thread_count();
  const Clock::time_point start = Clock::now();
  Result result;
  post(result, drip("late", 1, 3000), "a=1", kOneSecond);
  EXPECT_EQ(result.error + " " + result.reply + " " + std::to_string(result.status),
            "HTTP exchange took longer than 1 s untouched -1");
  result.reply = "the caller's own";
  result.error = "the caller's own";
  result.status = 7;
  // Thread ends give no event to wait on, so threads are counted.
  while (process_thread_count() > before && Clock::now() < start + kAnswerAfter + kWakeUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_LE(process_thread_count(), before);
  EXPECT_EQ(result.error + " " + result.reply + " " + std::to_string(result.status),
            "the caller's own the caller's own 7");
}

}  // namespace
}  // namespace foo_brivanto
