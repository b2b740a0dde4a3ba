// The exchange's own logic over scripted steps: which handles it opens and closes on every
// exit, what it asks for after each redirect, and how it reads a body.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "http/http_steps.h"

namespace foo_brivanto {
namespace {

using Log = std::vector<std::string>;

std::string narrow(const std::u16string& text) {
  return {text.begin(), text.end()};  // test values are ASCII
}

// How a body ends after its chunks: as it should, with bytes announced that then cannot be
// read, or with the question for more bytes failing.
enum class End { kEnds, kReadFails, kQueryFails };

// One reply as the scripted steps give it.
struct Reply {
  std::optional<std::uint32_t> status;  // none: the status cannot be read
  std::optional<std::u16string> location;
  std::vector<std::string> chunks;
  End end = End::kEnds;
};

// Steps that follow a script and write down what was asked of them.
class ScriptedSteps final : public HttpSteps {
 public:
  std::string fail_step;  // "open_session", "connect", "open_request", "send" or "receive"
  int fail_attempt = 1;   // ... on this attempt (counting connections from 1)
  std::deque<Reply> replies;
  Log log;
  std::map<HttpHandle, std::string> open;

  HttpHandle open_session(const std::u16string& user_agent) override {
    log.push_back("session " + narrow(user_agent));
    return fails("open_session") ? nullptr : add("session");
  }
  void set_timeouts(HttpHandle /*session*/, const HttpTimeouts& t) override {
    log.push_back("timeouts " + std::to_string(t.connect_ms) + " " + std::to_string(t.send_ms) +
                  " " + std::to_string(t.receive_ms));
  }
  HttpHandle connect(HttpHandle /*session*/, const std::u16string& host,
                     std::uint16_t port) override {
    ++attempt_;
    log.push_back("connect " + narrow(host) + ":" + std::to_string(port));
    return fails("connect") ? nullptr : add("connection");
  }
  HttpHandle open_request(HttpHandle /*connection*/, const std::u16string& verb,
                          const std::u16string& path, bool secure) override {
    log.push_back("request " + narrow(verb) + " " + narrow(path) + (secure ? " tls" : ""));
    return fails("open_request") ? nullptr : add("request");
  }
  bool send_request(HttpHandle /*request*/, const std::u16string& headers,
                    const std::string& body) override {
    EXPECT_EQ(headers, u"Content-Type: application/x-www-form-urlencoded\r\n");
    log.push_back("send " + body);
    return !fails("send");
  }
  bool receive_response(HttpHandle /*request*/) override {
    log.emplace_back("receive");
    if (fails("receive")) {
      return false;
    }
    take(replies.front());
    replies.pop_front();
    return true;
  }
  bool query_status(HttpHandle /*request*/, std::uint32_t& status) override {
    if (current_.status) {
      status = *current_.status;
    }
    return current_.status.has_value();
  }
  bool query_location(HttpHandle /*request*/, std::u16string& location) override {
    if (current_.location) {
      location = *current_.location;
    }
    return current_.location.has_value();
  }
  bool query_data_available(HttpHandle /*request*/, std::size_t& available) override {
    if (!current_.chunks.empty()) {
      available = current_.chunks.front().size();
      return true;
    }
    available = current_.end == End::kReadFails ? 4 : 0;
    return current_.end != End::kQueryFails;
  }
  bool read_data(HttpHandle /*request*/, std::span<char> buffer, std::size_t& read) override {
    if (current_.chunks.empty()) {
      return false;  // the bytes announced by End::kReadFails
    }
    const std::string chunk = current_.chunks.front();
    current_.chunks.pop_front();
    EXPECT_EQ(buffer.size(), chunk.size()) << "a buffer of the announced size";
    read = chunk.copy(buffer.data(), buffer.size());
    return true;
  }
  void close_handle(HttpHandle handle) override {
    const auto found = open.find(handle);
    ASSERT_NE(found, open.end()) << "closing a handle that is not open";
    log.push_back("close " + found->second);
    open.erase(found);
  }

 private:
  bool fails(const std::string& step) const {
    return step == fail_step && (step == "open_session" || attempt_ == fail_attempt);
  }
  HttpHandle add(const std::string& kind) {
    auto* handle = reinterpret_cast<HttpHandle>(++next_);
    open.emplace(handle, kind);
    return handle;
  }

  struct Current {
    std::optional<std::uint32_t> status;
    std::optional<std::u16string> location;
    std::deque<std::string> chunks;
    End end = End::kEnds;
  };
  void take(const Reply& reply) {
    current_ = {
        reply.status, reply.location, {reply.chunks.begin(), reply.chunks.end()}, reply.end};
  }
  Current current_;
  int attempt_ = 0;
  std::uintptr_t next_ = 0x1000;
};

struct Outcome {
  bool ok = false;
  std::string reply = "earlier reply";
  std::string error = "earlier error";
  int status = -1;
};

Outcome run(ScriptedSteps& steps, const std::string& body = "a=1") {
  Outcome out;
  out.ok = http_exchange(steps, u"example.org", 8080, false, u"/api", body, out.reply, out.error,
                         out.status, HttpTimeouts{100, 200, 300});
  EXPECT_TRUE(steps.open.empty()) << "handles left open";
  return out;
}

Reply redirect(std::uint32_t status, std::optional<std::u16string> location) {
  return Reply{status, std::move(location), {}, End::kEnds};
}

Reply final_reply(std::uint32_t status, std::vector<std::string> chunks, End end = End::kEnds) {
  return Reply{status, std::nullopt, std::move(chunks), end};
}

const Log kOpen = {"session foo_brivanto/1.0", "timeouts 100 200 300"};

Log concat(std::initializer_list<Log> parts) {
  Log all;
  for (const Log& part : parts) {
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

TEST(HttpExchangeTest, EachFailingStepClosesWhatIsOpenInOrder) {
  struct Case {
    std::string step;
    std::string error;
    Log log;
  };
  const Log attempt = {"connect example.org:8080", "request POST /api", "send a=1"};
  const Case cases[] = {
      {"open_session", "WinHttpOpen failed", {"session foo_brivanto/1.0"}},
      {"connect", "WinHttpConnect failed",
       concat({kOpen, {"connect example.org:8080", "close session"}})},
      {"open_request", "WinHttpOpenRequest failed",
       concat({kOpen,
               {"connect example.org:8080", "request POST /api", "close connection",
                "close session"}})},
      {"send", "WinHttpSendRequest failed",
       concat({kOpen, attempt, {"close request", "close connection", "close session"}})},
      {"receive", "WinHttpReceiveResponse failed",
       concat({kOpen, attempt, {"receive", "close request", "close connection", "close session"}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    ScriptedSteps steps;
    steps.fail_step = c.step;
    steps.replies = {final_reply(200, {"unused"})};
    const Outcome out = run(steps);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.error, c.error);
    EXPECT_EQ(out.reply, "earlier reply");
    EXPECT_EQ(out.status, -1);
    EXPECT_EQ(steps.log, c.log);
  }
}

TEST(HttpExchangeTest, FollowsRedirectsWithTheSameRequestOnANewConnectionEachTime) {
  ScriptedSteps steps;
  steps.replies = {redirect(302, u"/moved?x=1"),
                   redirect(307, std::u16string(u"http://third.example/q\0\0", 24)),
                   redirect(301, u"https://other.example:9443/p"), final_reply(200, {"done"})};
  const Outcome out = run(steps, "k=v");
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.reply, "done");
  EXPECT_EQ(out.status, 200);
  EXPECT_EQ(out.error, "earlier error");
  const auto hop = [](const std::string& connect, const std::string& request) {
    return Log{connect, request, "send k=v", "receive", "close request", "close connection"};
  };
  Log last = hop("connect other.example:9443", "request POST /p tls");
  last.resize(4);  // the final reply's handles close after its body
  EXPECT_EQ(steps.log, concat({kOpen,
                               hop("connect example.org:8080", "request POST /api"),
                               hop("connect example.org:8080", "request POST /moved?x=1"),
                               hop("connect third.example:80", "request POST /q"),
                               last,
                               {"close request", "close connection", "close session"}}));
}

TEST(HttpExchangeTest, RedirectFailuresCloseWhatIsOpenInOrder) {
  const Log first = {"connect example.org:8080", "request POST /api", "send a=1", "receive"};
  const Log all_three = {"close request", "close connection", "close session"};
  struct Case {
    std::string name;
    std::vector<Reply> replies;
    std::string error;
    Log log;
  };
  const Case cases[] = {
      {"no Location",
       {redirect(304, std::nullopt)},
       "Redirect without Location header",
       concat({kOpen, first, all_three})},
      {"port out of range",
       {redirect(302, u"http://example.org:70000/")},
       "URL port out of range",
       concat({kOpen, first, all_three})},
      {"from https back to http",
       {redirect(301, u"https://other.example/p"), redirect(302, u"http://example.org/")},
       "Redirect from https to http refused",
       concat({kOpen,
               first,
               {"close request", "close connection"},
               {"connect other.example:443", "request POST /p tls", "send a=1", "receive"},
               all_three})},
      {"fourth redirect",
       {redirect(302, u"/1"), redirect(302, u"/2"), redirect(302, u"/3"), redirect(302, u"/4")},
       "Too many redirects",
       concat({kOpen,
               first,
               {"close request", "close connection"},
               {"connect example.org:8080", "request POST /1", "send a=1", "receive",
                "close request", "close connection"},
               {"connect example.org:8080", "request POST /2", "send a=1", "receive",
                "close request", "close connection"},
               {"connect example.org:8080", "request POST /3", "send a=1", "receive",
                "close request", "close connection", "close session"}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedSteps steps;
    steps.replies.assign(c.replies.begin(), c.replies.end());
    const Outcome out = run(steps);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.error, c.error);
    EXPECT_EQ(out.reply, "earlier reply");
    EXPECT_EQ(steps.log, c.log);
  }
}

TEST(HttpExchangeTest, AFailureAfterARedirectClosesOnlyTheSession) {
  ScriptedSteps steps;
  steps.fail_step = "connect";
  steps.fail_attempt = 2;
  steps.replies = {redirect(302, u"/next")};
  const Outcome out = run(steps);
  EXPECT_EQ(out.error, "WinHttpConnect failed");
  EXPECT_EQ(steps.log, concat({kOpen,
                               {"connect example.org:8080", "request POST /api", "send a=1",
                                "receive", "close request", "close connection",
                                "connect example.org:8080", "close session"}}));
}

TEST(HttpExchangeTest, AnExceptionFromALocationClosesEveryHandleInOrder) {
  ScriptedSteps steps;
  steps.replies = {redirect(302, u"http://example.org:/x")};
  std::string reply;
  std::string error;
  int status = 0;
  EXPECT_THROW(http_exchange(steps, u"example.org", 8080, false, u"/api", "a=1", reply, error,
                             status, kHttpTimeouts),
               std::invalid_argument);
  EXPECT_TRUE(steps.open.empty());
  const Log tail(steps.log.end() - 3, steps.log.end());
  EXPECT_EQ(tail, (Log{"close request", "close connection", "close session"}));
}

TEST(HttpExchangeTest, ReadsTheFinalBodyUntilItsEndOrAFailure) {
  struct Case {
    std::string name;
    Reply reply;
    std::string body;
    int status;
  };
  const Case cases[] = {
      {"chunks in order", final_reply(200, {"ab", "c", "defg"}), "abcdefg", 200},
      {"empty body", final_reply(200, {}), "", 200},
      {"error status", final_reply(403, {"{\"error\":9}"}), "{\"error\":9}", 403},
      {"1xx status is final", final_reply(199, {"x"}), "x", 199},
      {"400 is final", final_reply(400, {"bad"}), "bad", 400},
      {"status unreadable", Reply{std::nullopt, std::nullopt, {"x"}, End::kEnds}, "x", 0},
      {"read fails", final_reply(200, {"ab", "cd"}, End::kReadFails), "abcd", 200},
      {"query fails", final_reply(200, {"ab"}, End::kQueryFails), "ab", 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedSteps steps;
    steps.replies = {c.reply};
    const Outcome out = run(steps, "");
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.reply, c.body);
    EXPECT_EQ(out.status, c.status);
    EXPECT_EQ(out.error, "earlier error");
    EXPECT_EQ(steps.log[3], "request GET /api") << "an empty body goes as a GET";
  }
}

}  // namespace
}  // namespace foo_brivanto
