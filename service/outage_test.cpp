// The service's outages: each mode answers as it says, ends cleanly on the same port, and never
// keeps the service from stopping.
#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <future>
#include <nlohmann/json.hpp>

#include "service/api.h"
#include "service/control.h"
#include "service/options.h"
#include "service/service.h"
#include "service/signature.h"

namespace brivanto_service {
namespace {

using Json = nlohmann::json;
using std::chrono::seconds;

Params signed_call(Params params) {
  params.emplace("api_key", kApiKey);
  params.emplace("format", "json");
  params.emplace("api_sig", expected_signature(params, kSharedSecret));
  return params;
}

// An HTTP exchange's status and JSON body; status 0 when no reply came.
struct Answer {
  int status = 0;
  Json body;
};

Answer post(const std::string& url, const std::string& path, const Params& params) {
  httplib::Client client(url);
  client.set_read_timeout(seconds(60));
  const auto reply = client.Post(path, httplib::Params(params.begin(), params.end()));
  if (!reply)
    return {};
  return {reply->status, Json::parse(reply->body, nullptr, false)};
}

class OutageTest : public testing::Test {
 protected:
  void SetUp() override {
    ServiceOptions options;
    options.approve_on_issue = true;
    service_ = std::make_unique<Service>(options);
    std::string error;
    ASSERT_TRUE(service_->start(error)) << error;
    const std::string token = call({{"method", "auth.getToken"}}).body.value("token", "");
    session_ = call({{"method", "auth.getSession"}, {"token", token}}).body["session"]["key"];
  }

  Answer call(const Params& params) {
    return post(service_->url(), "/api/2.0", signed_call(params));
  }
  Answer scrobble(const std::string& title) {
    return call({{"method", "track.scrobble"},
                 {"sk", session_},
                 {"artist", "A"},
                 {"track", title},
                 {"timestamp", "1700000000"}});
  }
  void set(Outage outage) {
    std::string error;
    ASSERT_TRUE(service_->set_outage(outage, error)) << error;
  }
  std::size_t scrobbles() const {
    return service_->registry().received(TrackCall::kScrobble).size();
  }

  // connect() to the API port: 0 when accepted, else the errno.
  int connect_error() const {
    const int sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(service_->port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int result = connect(sock, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    const int error = result == 0 ? 0 : errno;
    close(sock);
    return error;
  }

  std::unique_ptr<Service> service_;
  std::string session_;
};

TEST_F(OutageTest, EachModeAnswersAsItSaysRecordsNothingAndEndsOnTheSamePort) {
  const struct {
    Outage outage;
    int status;  // of a scrobble; 0: no reply
    int error;
    const char* message;
    int token_status;  // of auth.getToken
  } cases[] = {
      {Outage::kRefuse, 0, 0, "", 0},
      {Outage::kUnavailable, 503, 16, "Service temporarily unavailable", 503},
      {Outage::kBusy, 429, 29, "Rate limit exceeded", 429},
      {Outage::kRejectSessionKey, 403, 6, "Invalid session key", 200},
  };
  const std::string url = service_->url();
  for (const auto& c : cases) {
    SCOPED_TRACE(outage_name(c.outage));
    const std::size_t before = scrobbles();
    set(c.outage);
    EXPECT_EQ(service_->outage(), c.outage);
    const Answer answer = scrobble("during");
    EXPECT_EQ(answer.status, c.status);
    if (c.status != 0) {
      EXPECT_EQ(answer.body, Json({{"error", c.error}, {"message", c.message}}));
    }
    EXPECT_EQ(call({{"method", "auth.getToken"}}).status, c.token_status);
    EXPECT_EQ(scrobbles(), before);
    EXPECT_EQ(connect_error(), c.outage == Outage::kRefuse ? ECONNREFUSED : 0);

    set(Outage::kNone);
    EXPECT_EQ(service_->url(), url);
    EXPECT_EQ(scrobble("after").status, 200);
    EXPECT_EQ(scrobbles(), before + 1);
  }
}

TEST_F(OutageTest, NeverAnswerHoldsCallsUntilTheModeEndsThenAnswersAsTheNextModeSays) {
  const struct {
    Outage next;
    int status;
    std::size_t recorded;
  } cases[] = {
      {Outage::kNone, 200, 1},
      {Outage::kBusy, 429, 0},
      {Outage::kRefuse, 503, 0},  // already connected: told that the service is down
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(outage_name(c.next));
    const std::size_t before = scrobbles();
    set(Outage::kNeverAnswer);
    auto held = std::async(std::launch::async, [this] { return scrobble("held"); });
    ASSERT_TRUE(service_->wait_until_held(1, std::chrono::seconds(30)));
    EXPECT_EQ(scrobbles(), before);
    set(c.next);
    EXPECT_EQ(held.get().status, c.status);
    EXPECT_EQ(service_->held_requests(), 0U);
    EXPECT_EQ(scrobbles(), before + c.recorded);
    set(Outage::kNone);
  }
}

TEST_F(OutageTest, StopsAtOnceWhileCallsHangAndAnswersThem503) {
  set(Outage::kNeverAnswer);
  auto first = std::async(std::launch::async, [this] { return scrobble("one"); });
  auto second = std::async(std::launch::async, [this] { return scrobble("two"); });
  ASSERT_TRUE(service_->wait_until_held(2, std::chrono::seconds(30)));
  auto stopped = std::async(std::launch::async, [this] { service_->stop(); });
  ASSERT_EQ(stopped.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_EQ(first.get().status, 503);
  EXPECT_EQ(second.get().status, 503);
  std::string error;
  EXPECT_FALSE(service_->set_outage(Outage::kNone, error));
}

TEST_F(OutageTest, StartsInTheModeAskedForWithThePortReserved) {
  ServiceOptions options;
  options.outage = Outage::kRefuse;
  Service refusing(options);
  std::string error;
  ASSERT_TRUE(refusing.start(error)) << error;
  EXPECT_NE(refusing.port(), 0);
  EXPECT_EQ(post(refusing.url(), "/api/2.0", {}).status, 0);
  ASSERT_TRUE(refusing.set_outage(Outage::kUnavailable, error)) << error;
  EXPECT_EQ(post(refusing.url(), "/api/2.0", signed_call({{"method", "auth.getToken"}})).status,
            503);
}

// Other processes switch the mode through the control's own port, which answers while the API
// port refuses connections.
TEST_F(OutageTest, TheControlSwitchesByQueryOrBodyAndRefusesUnknownModes) {
  OutageControl control(*service_);
  std::string error;
  ASSERT_TRUE(control.start(0, error)) << error;
  httplib::Client client(control.url());
  const auto switch_to = [&](const std::string& path, const std::string& body) {
    const auto reply = client.Post(path, body, "text/plain");
    return reply ? std::pair{reply->status, Json::parse(reply->body, nullptr, false)}
                 : std::pair{0, Json()};
  };
  EXPECT_EQ(switch_to("/outage?mode=refuse", " "),
            std::pair(200, Json({{"outage", "refuse"}, {"held", 0}})));
  EXPECT_EQ(connect_error(), ECONNREFUSED);
  EXPECT_EQ(switch_to("/outage", "unavailable\n").first, 200);
  EXPECT_EQ(service_->outage(), Outage::kUnavailable);
  const auto unknown = switch_to("/outage", "down");
  EXPECT_EQ(unknown.first, 400);
  EXPECT_NE(unknown.second.value("error", "").find("never-answer"), std::string::npos);
  EXPECT_EQ(service_->outage(), Outage::kUnavailable);
  EXPECT_EQ(Json::parse(client.Get("/outage")->body)["outage"], "unavailable");
}

TEST(OutageCommandLineTest, TakesTheStartingModeAndTheControlPort) {
  std::string error;
  const auto line = parse_command_line({"--outage", "never-answer", "--control-port", "9"}, error);
  ASSERT_TRUE(line) << error;
  EXPECT_EQ(line->options.outage, Outage::kNeverAnswer);
  EXPECT_EQ(line->control_port, 9);
  EXPECT_EQ(line->options.port, 0);
  EXPECT_FALSE(parse_command_line({"--outage", "down"}, error));
  EXPECT_NE(error.find("reject-session-key"), std::string::npos) << error;
  for (const Outage outage : {Outage::kNone, Outage::kRefuse, Outage::kUnavailable, Outage::kBusy,
                              Outage::kNeverAnswer, Outage::kRejectSessionKey}) {
    EXPECT_EQ(parse_outage(outage_name(outage)), outage);
  }
}

}  // namespace
}  // namespace brivanto_service
