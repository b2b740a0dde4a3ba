// The stand-in service refuses what the real service refuses and records what it accepts.
#include "service/service.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <nlohmann/json.hpp>

#include "service/api.h"
#include "service/signature.h"

namespace brivanto_service {
namespace {

using Json = nlohmann::json;

Params with_signature(Params params) {
  params.emplace("api_key", kApiKey);
  params.emplace("format", "json");
  params.emplace("api_sig", expected_signature(params, kSharedSecret));
  return params;
}

ServiceOptions expiring_after(int seconds) {
  ServiceOptions options;
  options.token_ttl = std::chrono::seconds(seconds);
  return options;
}

class RunningService {
 public:
  explicit RunningService(int ttl = 60)
      : service_(expiring_after(ttl)), client_("127.0.0.1", start()) {}

  Json post(const Params& params, const char* path = "/api/2.0") {
    const auto reply = client_.Post(path, httplib::Params(params.begin(), params.end()));
    Json json = reply ? Json::parse(reply->body, nullptr, false) : Json();
    json = json.is_object() ? json : Json::object();  // a page is no JSON
    json["status"] = reply ? reply->status : 0;
    return json;
  }
  // A token, approved with the authorization page's Allow button when `approve`.
  std::string token(bool approve) {
    std::string token = post(with_signature({{"method", "auth.getToken"}}))["token"];
    if (approve) {
      post({{"api_key", std::string(kApiKey)}, {"token", token}}, "/api/auth/allow");
    }
    return token;
  }
  Json get_session(const std::string& token) {
    return post(with_signature({{"method", "auth.getSession"}, {"token", token}}));
  }
  std::string session() { return get_session(token(true))["session"]["key"]; }
  Json history() { return Json::parse(client_.Get("/history.json")->body); }
  int get_status(const char* path) {
    const auto reply = client_.Get(path);
    return reply ? reply->status : 0;
  }

 private:
  int start() {
    std::string error;
    EXPECT_TRUE(service_.start(error)) << error;
    return service_.port();
  }
  Service service_;
  httplib::Client client_;
};

Params scrobble(const std::string& sk) {
  Params params{{"method", "track.scrobble"}, {"artist", "A"}, {"track", "T"}};
  params.emplace("sk", sk);
  params.emplace("timestamp", "1700000000");
  return params;
}

TEST(ServiceTest, SignsOverSortedNamesAndValuesLeavingOutFormatCallbackAndTheSignature) {
  // Upper-case names sort first and bytes above 0x7F last; the values go in raw.
  const Params params{{"é", "1"},         {"a", "y"},        {"B", "x"},
                      {"format", "json"}, {"callback", "c"}, {"api_sig", "s"}};
  EXPECT_EQ(signature_base(params, "S"), "Bxayé1S");
  EXPECT_EQ(expected_signature({{"api_key", std::string(kApiKey)}}, kSharedSecret),
            "c10f2a58c1041440366ee93f48802a47");
}

// As every HTTP/1.1 server must; Wine's WinHTTP sends the absolute form even through a tunnel.
TEST(ServiceTest, AnswersRequestsWhoseTargetIsTheAbsoluteUrl) {
  RunningService service;
  const Json reply = service.post(with_signature({{"method", "auth.getToken"}}),
                                  "https://www.brivanto.com:443/api/2.0");
  EXPECT_EQ(reply["status"], 200);
  EXPECT_TRUE(reply.contains("token")) << reply;
  EXPECT_EQ(service.get_status("https://www.brivanto.com/history.json"), 200);
  EXPECT_EQ(service.get_status("https://www.brivanto.com/elsewhere"), 404);
}

TEST(ServiceTest, RefusesWhatTheRealServiceRefusesAndRecordsNothingOfIt) {
  const struct {
    const char* name;
    int token;  // -1: a scrobble; else auth.getSession: 0 unapproved, 1 approved, 2 used
    const char* field;
    const char* value;
    bool after_signing;
    ApiError error;
    const char* message;
    int ttl = 60;
  } cases[] = {
      {"wrong key", -1, "api_key", "0", false, ApiError::kInvalidApiKey, "Invalid API key"},
      {"signed over another title", -1, "track", "Other", true, ApiError::kInvalidSignature,
       "Invalid method signature"},
      {"unsigned", -1, "api_sig", "", true, ApiError::kInvalidSignature,
       "Invalid method signature"},
      {"unknown session", -1, "sk", "0", false, ApiError::kInvalidSessionKey,
       "Invalid session key"},
      {"unapproved token", 0, nullptr, "", false, ApiError::kTokenNotAuthorized, "not authorized"},
      {"used token", 2, nullptr, "", false, ApiError::kTokenUsed, "already used"},
      {"expired token", 1, nullptr, "", false, ApiError::kTokenExpired, "expired", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RunningService service(c.ttl);
    const std::string token = c.token < 0 ? "" : service.token(c.token > 0);
    if (c.token == 2) {
      service.get_session(token);
    }
    Params p = c.token < 0 ? scrobble(service.session())
                           : Params{{"method", "auth.getSession"}, {"token", token}};
    const auto change = [&](bool after_signing) {
      if (c.field != nullptr && c.after_signing == after_signing) {
        p[c.field] = c.value;
      }
    };
    change(false);
    p = with_signature(p);
    change(true);
    const Json reply = service.post(p);
    EXPECT_EQ(reply["status"], 403);
    EXPECT_EQ(reply["error"], static_cast<int>(c.error));
    EXPECT_NE(reply.value("message", "").find(c.message), std::string::npos) << reply;
    EXPECT_EQ(service.history(), Json::parse(R"({"now_playing":[],"scrobbles":[]})"));
  }
}

TEST(ServiceTest, RecordsEachAcceptedCallUnderItsSessionAsReceived) {
  RunningService service;
  const std::string sk = service.session();
  const Params notice{{"method", "track.updateNowPlaying"},
                      {"sk", sk},
                      {"artist", "Кино"},
                      {"track", ""},
                      {"duration", "215"}};
  for (const auto& [list, params] :
       {std::pair{"now_playing", notice}, {"scrobbles", scrobble(sk)}}) {
    EXPECT_EQ(service.post(with_signature(params))["status"], 200);
    const Json received = service.history()[list];
    ASSERT_EQ(received.size(), 1U) << list;
    EXPECT_EQ(received[0]["session"], sk);
    EXPECT_EQ(received[0]["params"], Json(with_signature(params)));
  }
}

}  // namespace
}  // namespace brivanto_service
