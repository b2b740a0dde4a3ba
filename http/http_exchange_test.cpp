// The exchange's own logic over scripted steps: which handles it opens and closes on every
// way out, what it asks for after each redirect, and what it makes of each ending.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "http/http_steps.h"

namespace foo_brivanto {
namespace {

std::string ascii(const std::u16string& text) {
  return {text.begin(), text.end()};
}

struct Reply {
  std::optional<std::uint32_t> status = 200;
  std::optional<std::u16string> location{};
  std::string body{};
  BodyEnd end = BodyEnd::kComplete;
};

Reply redirect(std::uint32_t status, std::optional<std::u16string> location) {
  return {status, std::move(location)};
}

// Steps that follow a script and write down, comma-separated, what was asked of them.
class ScriptedSteps final : public HttpSteps {
 public:
  std::string fail;      // "session", "connection", "request", "send" or "receive"...
  int fail_attempt = 1;  // ... on this attempt (counting connections from 1)
  bool out_of_time_now = false;
  std::deque<Reply> replies;
  std::string log;
  std::map<HttpHandle, std::string> open;

  HttpHandle open_session(const std::u16string& agent, const HttpTimeouts& t) override {
    note("session " + ascii(agent) + " " + std::to_string(t.connect_ms) + " " +
         std::to_string(t.send_ms) + " " + std::to_string(t.receive_ms) + " " +
         std::to_string(t.total_ms));
    return add("session");
  }
  bool out_of_time(HttpHandle /*session*/) override { return out_of_time_now; }
  HttpHandle connect(HttpHandle, const std::u16string& host, std::uint16_t port) override {
    ++attempt_;
    note("connect " + ascii(host) + ":" + std::to_string(port));
    return add("connection");
  }
  HttpHandle open_request(HttpHandle, const std::u16string& verb, const std::u16string& path,
                          bool secure) override {
    note("request " + ascii(verb) + " " + ascii(path) + (secure ? " tls" : ""));
    return add("request");
  }
  bool send_request(HttpHandle, const std::u16string& headers, const std::string& body) override {
    EXPECT_EQ(headers, u"Content-Type: application/x-www-form-urlencoded\r\n");
    note("send " + body);
    return !fails("send");
  }
  bool receive_response(HttpHandle, ReplyHead& head) override {
    note("receive");
    if (fails("receive")) {
      return false;
    }
    current_ = replies.at(0);
    replies.pop_front();
    head = {current_.status, current_.location};
    return true;
  }
  BodyEnd read_body(HttpHandle, std::string& body) override {
    note("body");
    body = current_.body;
    return current_.end;
  }
  void close_handle(HttpHandle handle) override {
    ASSERT_EQ(open.count(handle), 1U) << "closing a handle that is not open";
    note("close " + open[handle]);
    open.erase(handle);
  }

 private:
  void note(const std::string& entry) { log += (log.empty() ? "" : ", ") + entry; }
  bool fails(const std::string& step) const {
    return step == fail && (step == "session" || attempt_ == fail_attempt);
  }
  HttpHandle add(const std::string& kind) {
    if (fails(kind)) {
      return nullptr;
    }
    auto* handle = reinterpret_cast<HttpHandle>(++next_);
    open[handle] = kind;
    return handle;
  }
  Reply current_;
  int attempt_ = 0;
  std::uintptr_t next_ = 0x1000;
};

struct Case {
  std::string name;
  std::vector<Reply> replies;
  std::string expected;  // the reply, or the error of a failure
  std::string log;       // after "session ..., "
  std::string fail{};
  int fail_attempt = 1;
  bool out_of_time = false;
};

const std::string kFirst = "connect example.org:8080, request POST /api, send a=1, receive";
const std::string kHop = ", close request, close connection, ";
const std::string kAll = ", close request, close connection, close session";

void check(const Case& c, bool ok) {
  SCOPED_TRACE(c.name);
  ScriptedSteps steps;
  steps.replies.assign(c.replies.begin(), c.replies.end());
  steps.fail = c.fail;
  steps.fail_attempt = c.fail_attempt;
  steps.out_of_time_now = c.out_of_time;
  std::string reply = "earlier reply";
  std::string error = "earlier error";
  int status = -1;
  EXPECT_EQ(http_exchange(steps, u"example.org", 8080, false, u"/api", "a=1", reply, error, status,
                          HttpTimeouts{100, 200, 300, 4500}),
            ok);
  EXPECT_EQ(ok ? reply : error, c.expected);
  EXPECT_EQ(ok ? error : reply, ok ? "earlier error" : "earlier reply");
  EXPECT_EQ(status, ok ? static_cast<int>(c.replies.back().status.value_or(0)) : -1);
  EXPECT_EQ(steps.log, "session foo_brivanto/1.0 100 200 300 4500" +
                           std::string(c.log.empty() ? "" : ", ") + c.log);
  EXPECT_TRUE(steps.open.empty()) << "handles left open";
}

TEST(HttpExchangeTest, EveryFailureClosesWhatIsOpenInOrder) {
  const std::string in_time = "HTTP exchange took longer than 4 s";
  const Case cases[] = {
      {"no session", {}, "WinHttpOpen failed", "", "session"},
      {"no connection",
       {},
       "WinHttpConnect failed",
       "connect example.org:8080, close session",
       "connection"},
      {"no request",
       {},
       "WinHttpOpenRequest failed",
       "connect example.org:8080, request POST /api, close connection, close session",
       "request"},
      {"not sent",
       {},
       "WinHttpSendRequest failed",
       "connect example.org:8080, request POST /api, send a=1" + kAll,
       "send"},
      {"no reply", {}, "WinHttpReceiveResponse failed", kFirst + kAll, "receive"},
      {"out of time", {}, in_time, kFirst + kAll, "receive", 1, true},
      {"out of time in the body",
       {Reply{200, {}, "ab", BodyEnd::kBrokenOff}},
       in_time,
       kFirst + ", body" + kAll,
       "",
       1,
       true},
      {"too large",
       {Reply{200, {}, "ab", BodyEnd::kTooLarge}},
       "Reply larger than 1 MiB",
       kFirst + ", body" + kAll},
      {"no Location", {redirect(304, {})}, "Redirect without Location header", kFirst + kAll},
      {"port out of range",
       {redirect(302, u"http://example.org:70000/")},
       "URL port out of range",
       kFirst + kAll},
      {"from https back to http",
       {redirect(301, u"https://other.example/p"), redirect(302, u"http://example.org/")},
       "Redirect from https to http refused",
       kFirst + kHop + "connect other.example:443, request POST /p tls, send a=1, receive" + kAll},
      {"fourth redirect",
       {redirect(302, u"/1"), redirect(302, u"/2"), redirect(302, u"/3"), redirect(399, u"/4")},
       "Too many redirects",
       kFirst + kHop + "connect example.org:8080, request POST /1, send a=1, receive" + kHop +
           "connect example.org:8080, request POST /2, send a=1, receive" + kHop +
           "connect example.org:8080, request POST /3, send a=1, receive" + kAll},
      {"after a redirect",
       {redirect(302, u"/next")},
       "WinHttpConnect failed",
       kFirst + kHop + "connect example.org:8080, close session",
       "connection",
       2},
  };
  for (const Case& c : cases) {
    check(c, false);
  }
}

TEST(HttpExchangeTest, FinalRepliesAfterRedirectsOnANewConnectionEachTime) {
  const Case cases[] = {
      {"three redirects",
       {redirect(302, u"/moved?x=1"),
        redirect(307, std::u16string(u"http://third.example/q\0\0", 24)),
        redirect(300, u"https://other.example:9443/p"), Reply{200, {}, "done"}},
       "done",
       kFirst + kHop + "connect example.org:8080, request POST /moved?x=1, send a=1, receive" +
           kHop + "connect third.example:80, request POST /q, send a=1, receive" + kHop +
           "connect other.example:9443, request POST /p tls, send a=1, receive, body" + kAll},
      {"error status",
       {Reply{403, {}, "{\"error\":9}"}},
       "{\"error\":9}",
       kFirst + ", body" + kAll},
      {"1xx is final", {Reply{199, {}, "x"}}, "x", kFirst + ", body" + kAll},
      {"400 is final", {Reply{400, {}, "bad"}}, "bad", kFirst + ", body" + kAll},
      {"status unreadable", {Reply{std::nullopt, u"/x", "x"}}, "x", kFirst + ", body" + kAll},
      {"broken off",
       {Reply{200, {}, "abcd", BodyEnd::kBrokenOff}},
       "abcd",
       kFirst + ", body" + kAll},
  };
  for (const Case& c : cases) {
    check(c, true);
  }
}

TEST(HttpExchangeTest, AnEmptyBodyGoesAsAGetAndAnExceptionClosesEveryHandle) {
  ScriptedSteps steps;
  steps.replies = {redirect(302, u"http://example.org:/x")};
  std::string reply;
  std::string error;
  int status = 0;
  EXPECT_THROW(http_exchange(steps, u"example.org", 8080, false, u"/api", "", reply, error, status,
                             kHttpTimeouts),
               std::invalid_argument);
  EXPECT_EQ(steps.log,
            "session foo_brivanto/1.0 15000 15000 15000 60000, connect example.org:8080,"
            " request GET /api, send , receive" +
                kAll);
}

}  // namespace
}  // namespace foo_brivanto
