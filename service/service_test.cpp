// The stand-in service over HTTP, as the component meets it: it must refuse what the real
// service refuses and record what it accepts exactly as received, or the component's tests
// against it prove nothing.
#include "service/service.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <functional>
#include <nlohmann/json.hpp>

#include "service/api.h"
#include "service/signature.h"

namespace brivanto_service {
namespace {

using Json = nlohmann::json;

class RunningService {
 public:
  explicit RunningService(std::chrono::seconds ttl = std::chrono::seconds(60))
      : service_(options(ttl)), client_("127.0.0.1", start()) {}

  // A call with api_key and format=json added, signed when `sign`.
  Json call(Params params, bool sign = true) {
    params.emplace("api_key", kApiKey);
    params.emplace("format", "json");
    if (sign) {
      params.emplace("api_sig", expected_signature(params, kSharedSecret));
    }
    const httplib::Params form(params.begin(), params.end());
    const auto reply = client_.Post("/api/2.0", form);
    Json json = reply ? Json::parse(reply->body) : Json::object();
    json["status"] = reply ? reply->status : 0;
    return json;
  }
  std::string token(bool approve) {
    const std::string token = call({{"method", "auth.getToken"}}, false)["token"];
    if (approve) {
      client_.Post("/api/auth/allow",
                   httplib::Params{{"api_key", std::string(kApiKey)}, {"token", token}});
    }
    return token;
  }
  std::string session() {
    return call({{"method", "auth.getSession"}, {"token", token(true)}})["session"]["key"];
  }
  Json history() { return Json::parse(client_.Get("/history.json")->body); }

 private:
  static ServiceOptions options(std::chrono::seconds ttl) {
    ServiceOptions options;
    options.token_ttl = ttl;
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
  // md5 of "Bx" "ay" "é1" followed by the secret; upper-case names sort first and bytes above
  // 0x7F last; the values go in raw.
  const Params params{{"é", "1"},         {"a", "y"},        {"B", "x"},
                      {"format", "json"}, {"callback", "c"}, {"api_sig", "s"}};
  EXPECT_EQ(signature_base(params, "S"), "Bxayé1S");
  EXPECT_EQ(expected_signature({{"api_key", std::string(kApiKey)}}, kSharedSecret),
            "c10f2a58c1041440366ee93f48802a47");
}

TEST(ServiceTest, RefusesWhatTheRealServiceRefusesAndRecordsNothingOfIt) {
  using Request = std::function<Json(RunningService&)>;
  const auto session_for = [](bool approve, int uses) {
    return [approve, uses](RunningService& s) {
      const std::string token = s.token(approve);
      for (int i = 0; i < uses; ++i) {
        s.call({{"method", "auth.getSession"}, {"token", token}});
      }
      return s.call({{"method", "auth.getSession"}, {"token", token}});
    };
  };
  const auto changed = [](const char* name, const char* value, bool sign_first) {
    return [=](RunningService& s) {
      Params p = scrobble(s.session());
      if (sign_first) {  // the change comes after signing
        p.emplace("api_key", kApiKey);
        p.emplace("format", "json");
        p["api_sig"] = expected_signature(p, kSharedSecret);
      }
      p[name] = value;
      return s.call(p, !sign_first);
    };
  };
  const struct {
    const char* name;
    Request request;
    int status;
    ApiError error;
    const char* message;
    std::chrono::seconds ttl{60};
  } cases[] = {
      {"wrong key", changed("api_key", "0", false), 403, ApiError::kInvalidApiKey,
       "Invalid API key"},
      {"no format", changed("format", "", false), 400, ApiError::kMissingParameter,
       "Missing parameter: format"},
      {"unknown method", changed("method", "track.love", false), 400, ApiError::kInvalidMethod,
       "Invalid method: track.love"},
      {"signed over another title", changed("track", "Other", true), 403,
       ApiError::kInvalidSignature, "Invalid method signature"},
      {"upper-case signature",
       [](RunningService& s) {
         Params p = scrobble(s.session());
         p.emplace("api_key", kApiKey);
         p.emplace("format", "json");
         p["api_sig"] = "C" + expected_signature(p, kSharedSecret).substr(1);
         return s.call(p, false);
       },
       403, ApiError::kInvalidSignature, "Invalid method signature"},
      {"unsigned", [](RunningService& s) { return s.call(scrobble(s.session()), false); }, 403,
       ApiError::kInvalidSignature, "Invalid method signature"},
      {"unknown session", [](RunningService& s) { return s.call(scrobble(std::string(32, 'a'))); },
       403, ApiError::kInvalidSessionKey, "Invalid session key"},
      {"fractional timestamp", changed("timestamp", "1.5", false), 400, ApiError::kMalformedRequest,
       "timestamp"},
      {"unknown token",
       [](RunningService& s) {
         return s.call({{"method", "auth.getSession"}, {"token", std::string(32, '0')}});
       },
       403, ApiError::kInvalidToken, "Invalid token"},
      {"unapproved token", session_for(false, 0), 403, ApiError::kTokenNotAuthorized,
       "not authorized"},
      {"used token", session_for(true, 1), 403, ApiError::kTokenUsed, "already used"},
      {"expired token", session_for(true, 0), 403, ApiError::kTokenExpired, "expired",
       std::chrono::seconds(0)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RunningService service(c.ttl);
    const Json reply = c.request(service);
    EXPECT_EQ(reply["status"], c.status);
    EXPECT_EQ(reply["error"], static_cast<int>(c.error));
    EXPECT_NE(reply.value("message", "").find(c.message), std::string::npos) << reply;
    EXPECT_EQ(service.history(), Json::parse(R"({"now_playing":[],"scrobbles":[]})"));
  }
}

TEST(ServiceTest, RecordsEachAcceptedCallUnderItsSessionAsReceived) {
  RunningService service;
  const std::string sk = service.session();
  Params notice{{"method", "track.updateNowPlaying"},
                {"sk", sk},
                {"artist", "Кино"},
                {"track", ""},
                {"duration", "215"}};
  EXPECT_EQ(service.call(notice)["status"], 200);
  EXPECT_EQ(service.call(scrobble(sk))["status"], 200);
  const Json history = service.history();
  ASSERT_EQ(history["now_playing"].size(), 1U);
  ASSERT_EQ(history["scrobbles"].size(), 1U);
  EXPECT_EQ(history["now_playing"][0]["session"], sk);
  notice.emplace("api_key", kApiKey);
  notice.emplace("format", "json");
  notice.emplace("api_sig", expected_signature(notice, kSharedSecret));
  EXPECT_EQ(history["now_playing"][0]["params"], Json(notice));
  EXPECT_EQ(history["scrobbles"][0]["params"]["timestamp"], "1700000000");
}

}  // namespace
}  // namespace brivanto_service
