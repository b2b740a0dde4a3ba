// The stand-in service over HTTP, as the component meets it: it must refuse what the real
// service refuses and record what it accepts exactly as received, or the component's tests
// against it prove nothing.
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

class RunningService {
 public:
  explicit RunningService(int ttl = 60) : service_(options(ttl)), client_("127.0.0.1", start()) {}

  Json post(const Params& params, const char* path = "/api/2.0") {
    const auto reply = client_.Post(path, httplib::Params(params.begin(), params.end()));
    Json json = reply ? Json::parse(reply->body, nullptr, false) : Json();
    json = json.is_object() ? json : Json::object();  // a page is no JSON
    json["status"] = reply ? reply->status : 0;
    return json;
  }
  // A token; approved by the authorization page's Allow button, then traded `uses` times.
  std::string token(bool approve, int uses = 0) {
    const std::string token = post(with_signature({{"method", "auth.getToken"}}))["token"];
    if (approve) {
      post({{"api_key", std::string(kApiKey)}, {"token", token}}, "/api/auth/allow");
    }
    for (int i = 0; i < uses; ++i) {
      post(with_signature({{"method", "auth.getSession"}, {"token", token}}));
    }
    return token;
  }
  std::string session() {
    return post(
        with_signature({{"method", "auth.getSession"}, {"token", token(true)}}))["session"]["key"];
  }
  Json history() { return Json::parse(client_.Get("/history.json")->body); }

 private:
  static ServiceOptions options(int ttl) {
    ServiceOptions options;
    options.token_ttl = std::chrono::seconds(ttl);
    return options;
  }
  int start() {
    std::string error;
    EXPECT_TRUE(service_.start(error)) << error;
    return service_.port();
  }
  Service service_;
  httplib::Client client_;
};

Params scrobble(const std::string& sk) {
  return {{"method", "track.scrobble"},
          {"sk", sk},
          {"artist", "A"},
          {"track", "T"},
          {"timestamp", "1700000000"}};
}

TEST(ServiceTest, SignsOverSortedNamesAndValuesLeavingOutFormatCallbackAndTheSignature) {
  // Upper-case names sort first and bytes above 0x7F last; the values go in raw.
  const Params params{{"é", "1"},         {"a", "y"},        {"B", "x"},
                      {"format", "json"}, {"callback", "c"}, {"api_sig", "s"}};
  EXPECT_EQ(signature_base(params, "S"), "Bxayé1S");
  EXPECT_EQ(expected_signature({{"api_key", std::string(kApiKey)}}, kSharedSecret),
            "c10f2a58c1041440366ee93f48802a47");
}

TEST(ServiceTest, RefusesWhatTheRealServiceRefusesAndRecordsNothingOfIt) {
  const struct {
    const char* name;
    int token;  // -1: a scrobble; else auth.getSession: 0 unapproved, 1 approved, 2 used
    const char* field;
    const char* value;  // null: the value in capitals
    bool after_signing;
    int status;
    ApiError error;
    const char* message;
    int ttl = 60;
  } cases[] = {
      {"wrong key", -1, "api_key", "0", false, 403, ApiError::kInvalidApiKey, "Invalid API key"},
      {"signed over another title", -1, "track", "Other", true, 403, ApiError::kInvalidSignature,
       "Invalid method signature"},
      {"upper-case signature", -1, "api_sig", nullptr, true, 403, ApiError::kInvalidSignature,
       "Invalid method signature"},
      {"unsigned", -1, "api_sig", "", true, 403, ApiError::kInvalidSignature,
       "Invalid method signature"},
      {"unknown session", -1, "sk", "0", false, 403, ApiError::kInvalidSessionKey,
       "Invalid session key"},
      {"fractional timestamp", -1, "timestamp", "1.5", false, 400, ApiError::kMalformedRequest,
       "timestamp"},
      {"unapproved token", 0, nullptr, "", false, 403, ApiError::kTokenNotAuthorized,
       "not authorized"},
      {"used token", 2, nullptr, "", false, 403, ApiError::kTokenUsed, "already used"},
      {"expired token", 1, nullptr, "", false, 403, ApiError::kTokenExpired, "expired", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RunningService service(c.ttl);
    Params p = c.token < 0 ? scrobble(service.session())
                           : Params{{"method", "auth.getSession"},
                                    {"token", service.token(c.token > 0, c.token - 1)}};
    const auto change = [&](bool after_signing) {
      if (c.field != nullptr && c.after_signing == after_signing) {
        std::string& value = p[c.field];
        for (char& ch : value) {
          ch = static_cast<char>(std::toupper(ch));
        }
        value = c.value != nullptr ? c.value : value;
      }
    };
    change(false);
    p = with_signature(p);
    change(true);
    const Json reply = service.post(p);
    EXPECT_EQ(reply["status"], c.status);
    EXPECT_EQ(reply["error"], static_cast<int>(c.error));
    EXPECT_NE(reply.value("message", "").find(c.message), std::string::npos) << reply;
    EXPECT_EQ(service.history(), Json::parse(R"({"now_playing":[],"scrobbles":[]})"));
  }
}

TEST(ServiceTest, RecordsEachAcceptedCallUnderItsSessionAsReceived) {
  RunningService service;
  const std::string sk = service.session();
  const Params notice = with_signature({{"method", "track.updateNowPlaying"},
                                        {"sk", sk},
                                        {"artist", "Кино"},
                                        {"track", ""},
                                        {"duration", "215"}});
  EXPECT_EQ(service.post(notice)["status"], 200);
  EXPECT_EQ(service.post(with_signature(scrobble(sk)))["status"], 200);
  const Json history = service.history();
  ASSERT_EQ(history["now_playing"].size(), 1U);
  ASSERT_EQ(history["scrobbles"].size(), 1U);
  EXPECT_EQ(history["now_playing"][0]["session"], sk);
  EXPECT_EQ(history["now_playing"][0]["params"], Json(notice));
  EXPECT_EQ(history["scrobbles"][0]["params"]["timestamp"], "1700000000");
}

}  // namespace
}  // namespace brivanto_service
