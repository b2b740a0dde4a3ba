// The exchange's own logic over scripted steps: the handles it opens and closes on every way
// out, what it asks for after each redirect, and what it makes of each ending.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "http/byte_units.h"
#include "http/http_steps.h"

namespace foo_brivanto {
namespace {

struct Reply {
  std::optional<std::uint32_t> status = 200;
  std::optional<std::u16string> location{};
  std::string body{};
  BodyEnd end = BodyEnd::kComplete;
};

// Steps that follow a script and write down, comma-separated, what was asked of them.
struct ScriptedSteps final : HttpSteps {
  std::string fail;      // the step that fails: "session", "connection", "request", "send"...
  int fail_attempt = 1;  // ... on this attempt, counting connections from 1
  bool late = false;     // whether the total limit has run out
  std::vector<Reply> replies;
  std::string log;
  std::map<HttpHandle, std::string> open;
  int attempt = 0;
  Reply reply;

  bool note(const std::string& entry, const std::string& step) {
    log += (log.empty() ? "" : ", ") + entry;
    return step != fail || (step != "session" && attempt != fail_attempt);
  }
  HttpHandle add(const std::string& entry, const std::string& kind) {
    auto* handle = reinterpret_cast<HttpHandle>(log.size() + 1);  // a new value every time
    if (!note(entry, kind)) {
      return nullptr;
    }
    open[handle] = kind;
    return handle;
  }
  HttpHandle open_session(const std::u16string& agent, const HttpTimeouts& t) override {
    return add("session " + narrow_to_low_bytes(agent) + " " + std::to_string(t.connect_ms) + " " +
                   std::to_string(t.send_ms) + " " + std::to_string(t.receive_ms) + " " +
                   std::to_string(t.total_ms),
               "session");
  }
  bool out_of_time(HttpHandle /*session*/) override { return late; }
  HttpHandle connect(HttpHandle, const std::u16string& host, std::uint16_t port) override {
    ++attempt;
    return add("connect " + narrow_to_low_bytes(host) + ":" + std::to_string(port), "connection");
  }
  HttpHandle open_request(HttpHandle, const std::u16string& verb, const std::u16string& path,
                          bool secure) override {
    return add("request " + narrow_to_low_bytes(verb) + " " + narrow_to_low_bytes(path) +
                   (secure ? " tls" : ""),
               "request");
  }
  bool send_request(HttpHandle, const std::u16string& headers, const std::string& body) override {
    EXPECT_EQ(headers, u"Content-Type: application/x-www-form-urlencoded\r\n");
    return note("send " + body, "send");
  }
  bool receive_response(HttpHandle, ReplyHead& head) override {
    if (!note("receive", "receive")) {
      return false;
    }
    reply = replies.at(static_cast<std::size_t>(attempt - 1));
    head = {reply.status, reply.location};
    return true;
  }
  BodyEnd read_body(HttpHandle, std::string& body) override {
    note("body", "body");
    body = reply.body;
    return reply.end;
  }
  void close_handle(HttpHandle handle) override {
    ASSERT_EQ(open.count(handle), 1U) << "closing a handle that is not open";
    note("close " + open[handle], "close");
    open.erase(handle);
  }
};

const std::string kFirst = "connect example.org:8080, request POST /api, send a=1, receive";
const std::string kHop = ", close request, close connection, connect example.org:8080, ";
const std::string kAll = ", close request, close connection, close session";

// With the limits that ship, every ending: exceptions from a Location too.
TEST(HttpExchangeTest, EveryEndingClosesWhatIsOpenInOrder) {
  const std::string late = "HTTP exchange took longer than 60 s";
  const std::string body = ", body" + kAll;
  struct Case {
    std::vector<Reply> replies;
    std::string outcome;  // "ok: " and the reply, or the error
    std::string log;      // after the session's opening
    std::string fail{};
    int fail_attempt = 1;
    bool late = false;
  };
  // clang-format off
  const Case cases[] = {
      {{}, "WinHttpOpen failed", "", "session"},
      {{}, "WinHttpConnect failed", "connect example.org:8080, close session", "connection"},
      {{}, "WinHttpOpenRequest failed",
       "connect example.org:8080, request POST /api, close connection, close session", "request"},
      {{}, "WinHttpSendRequest failed",
       "connect example.org:8080, request POST /api, send a=1" + kAll, "send"},
      {{}, "WinHttpReceiveResponse failed", kFirst + kAll, "receive"},
      {{}, late, kFirst + kAll, "receive", 1, true},
      {{{200, {}, "ab", BodyEnd::kBrokenOff}}, late, kFirst + body, "", 1, true},
      {{{200, {}, "ab", BodyEnd::kBrokenOff}}, "ok: ab", kFirst + body},
      {{{200, {}, "ab", BodyEnd::kTooLarge}}, "Reply larger than 1 MiB", kFirst + body},
      {{{199, u"/x", "1"}}, "ok: 1", kFirst + body},  // final statuses
      {{{400, u"/x", "2"}}, "ok: 2", kFirst + body},
      {{{std::nullopt, u"/x", "3"}}, "ok: 3", kFirst + body},
      {{{304}}, "Redirect without Location header", kFirst + kAll},
      {{{302, u"http://example.org:70000/"}}, "URL port out of range", kFirst + kAll},
      {{{302, u"http://example.org:/x"}}, "throws invalid stoi argument", kFirst + kAll},
      {{{301, u"https://other.example/p"}, {302, u"http://example.org/"}},
       "Redirect from https to http refused", kFirst + ", close request, close connection, "
       "connect other.example:443, request POST /p tls, send a=1, receive" + kAll},
      {{{300, u"/1"}, {302, u"/2"}, {302, u"/3"}, {399, u"/4"}},
       "Too many redirects", kFirst + kHop + "request POST /1, send a=1, receive" + kHop +
       "request POST /2, send a=1, receive" + kHop + "request POST /3, send a=1, receive" + kAll},
      {{{302, u"/next"}}, "WinHttpConnect failed", kFirst + kHop + "close session",
       "connection", 2},
      {{{307, u"/moved?x=1"}, {302, std::u16string(u"http://b.example/q\0\0", 20)},
        {301, u"https://c.example:9443/p"}, {403, {}, "{\"error\":9}"}},
       "ok: {\"error\":9}", kFirst + kHop + "request POST /moved?x=1, send a=1, receive, close "
       "request, close connection, connect b.example:80, request POST /q, send a=1, receive, "
       "close request, close connection, connect c.example:9443, request POST /p tls, send a=1, "
       "receive" + body},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.outcome + " after " + c.log);
    ScriptedSteps steps;
    steps.replies = c.replies;
    steps.fail = c.fail;
    steps.fail_attempt = c.fail_attempt;
    steps.late = c.late;
    std::string reply = "earlier reply";
    std::string error = "earlier error";
    int status = -1;
    bool ok = false;
    try {
      ok = http_exchange(steps, u"example.org", 8080, false, u"/api", "a=1", reply, error, status,
                         kHttpTimeouts);
    } catch (const std::invalid_argument& e) {
      error = std::string("throws ") + e.what();
    }
    EXPECT_EQ(ok ? "ok: " + reply : error, c.outcome);
    EXPECT_EQ(ok ? error : reply, ok ? "earlier error" : "earlier reply");
    EXPECT_EQ(status, ok ? static_cast<int>(c.replies.back().status.value_or(0)) : -1);
    EXPECT_EQ(steps.log, "session foo_brivanto/1.0 15000 15000 15000 60000" +
                             std::string(c.log.empty() ? "" : ", ") + c.log);
    EXPECT_TRUE(steps.open.empty()) << "handles left open";
  }
}

}  // namespace
}  // namespace foo_brivanto
