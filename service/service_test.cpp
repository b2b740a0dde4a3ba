// The service in process, over HTTP, the way the component and the test fixtures use it.
#include "service/service.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <thread>

#include "service/api.h"
#include "service/signature.h"

namespace brivanto_service {
namespace {

constexpr const char* kForm = "application/x-www-form-urlencoded";

// The component's wire format: unreserved bytes stay, space is "+", the rest %XX.
std::string escape(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (std::isalnum(b) != 0 || c == '-' || c == '_' || c == '.' || c == '~') {
      out += c;
    } else if (c == ' ') {
      out += '+';
    } else {
      static constexpr char kHex[] = "0123456789ABCDEF";
      out += {'%', kHex[b >> 4U], kHex[b & 15U]};
    }
  }
  return out;
}

std::string form(const Params& params) {
  std::string body;
  for (const auto& [name, value] : params) {
    body += (body.empty() ? "" : "&") + escape(name) + "=" + escape(value);
  }
  return body;
}

// Adds api_key and format unless the caller set them.
Params unsigned_call(Params params) {
  params.emplace("api_key", kApiKey);
  params.emplace("format", "json");
  return params;
}

Params signed_call(Params params) {
  params = unsigned_call(std::move(params));
  params["api_sig"] = expected_signature(params, kSharedSecret);
  return params;
}

// A string field read the way the component reads replies: first `"name":"`, up to the next quote.
std::string field(const std::string& body, const std::string& name) {
  const std::string needle = "\"" + name + "\":\"";
  const auto start = body.find(needle);
  if (start == std::string::npos)
    return "(no " + name + ")";
  const auto from = start + needle.size();
  return body.substr(from, body.find('"', from) - from);
}

// How the component's authorization step reads an auth.getSession refusal: 1 not yet
// approved, 2 token unusable, 3 anything else.
int auth_row(std::string message) {
  std::transform(message.begin(), message.end(), message.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const auto has = [&](const char* needle) { return message.find(needle) != std::string::npos; };
  if (has("not authorized") || has("visit web auth"))
    return 1;
  if (has("invalid token") || has("expired") || has("used"))
    return 2;
  return 3;
}

class RunningService {
 public:
  explicit RunningService(ServiceOptions options = {}) : service_(std::move(options)) {
    std::string error;
    EXPECT_TRUE(service_.start(error)) << error;
  }

  Reply post(const std::string& body, const char* content_type = kForm,
             const std::string& path = "/api/2.0") {
    return reply(client().Post(path, body, content_type));
  }
  Reply call(const Params& params) { return post(form(params)); }
  Reply get(const std::string& path) { return reply(client().Get(path)); }

  std::string token() {
    return field(call(unsigned_call({{"method", "auth.getToken"}})).body, "token");
  }
  Reply allow(const std::string& token) {
    return post(form({{"api_key", std::string(kApiKey)}, {"token", token}}), kForm,
                "/api/auth/allow");
  }
  Reply get_session(const std::string& token) {
    return call(signed_call({{"method", "auth.getSession"}, {"token", token}}));
  }
  std::string session() {
    const std::string t = token();
    EXPECT_EQ(allow(t).status, 200);
    return field(get_session(t).body, "key");
  }
  int port() const { return service_.port(); }
  std::string auth_path(const std::string& token) const {
    return "/api/auth?api_key=" + std::string(kApiKey) + "&token=" + token;
  }

 private:
  httplib::Client client() const {
    httplib::Client client(service_.url());
    client.set_connection_timeout(std::chrono::seconds(10));
    client.set_read_timeout(std::chrono::seconds(10));
    return client;
  }
  static Reply reply(const httplib::Result& result) {
    if (!result)
      return Reply{0, "no reply: " + httplib::to_string(result.error())};
    return Reply{result->status, result->body};
  }

  Service service_;
};

ServiceOptions with_ttl(std::chrono::seconds ttl) {
  ServiceOptions options;
  options.token_ttl = ttl;
  return options;
}

struct Refusal {
  const char* name;
  std::function<Params(RunningService&)> request;
  int status;
  ApiError error;
  const char* message;  // a part of the message
  int auth_row = 0;     // for auth.getSession: how the component must classify the message
  ServiceOptions options{};
};

Params track(const std::string& sk, Params extra = {}) {
  Params p{{"method", "track.scrobble"},
           {"sk", sk},
           {"artist", "A"},
           {"track", "T"},
           {"timestamp", "1700000000"}};
  for (auto& [name, value] : extra)
    p[name] = value;
  return p;
}

TEST(ServiceTest, RefusesCallsWithTheirErrorCodeAndMessage) {
  const std::string key(kApiKey);
  const auto get_token = [](Params p) {
    p.emplace("method", "auth.getToken");
    return [p](RunningService&) { return unsigned_call(p); };
  };
  const auto scrobble = [](Params extra, bool sign = true) {
    return [extra, sign](RunningService& s) {
      const Params p = track(s.session(), extra);
      return sign ? signed_call(p) : unsigned_call(p);
    };
  };
  const auto session_for = [](std::function<std::string(RunningService&)> token) {
    return [token](RunningService& s) {
      return signed_call({{"method", "auth.getSession"}, {"token", token(s)}});
    };
  };
  const Refusal cases[] = {
      {"unknown method", get_token({{"method", "track.love"}}), 400, ApiError::kInvalidMethod,
       "Invalid method: track.love"},
      {"no method", [](RunningService&) { return unsigned_call({}); }, 400,
       ApiError::kMissingParameter, "Missing parameter: method"},
      {"wrong key", get_token({{"api_key", "0" + key.substr(1)}}), 403, ApiError::kInvalidApiKey,
       "Invalid API key"},
      {"empty key", get_token({{"api_key", ""}}), 400, ApiError::kMissingParameter,
       "Missing parameter: api_key"},
      {"no format",
       [](RunningService&) {
         return Params{{"method", "auth.getToken"}, {"api_key", std::string(kApiKey)}};
       },
       400, ApiError::kMissingParameter, "Missing parameter: format"},
      {"xml format", get_token({{"format", "xml"}}), 400, ApiError::kMalformedRequest,
       "format must be json"},
      {"no token",
       [](RunningService&) {
         return signed_call({{"method", "auth.getSession"}});
       },
       400, ApiError::kMissingParameter, "Missing parameter: token", 3},
      {"no artist",
       [](RunningService& s) {
         Params p = track(s.session());
         p.erase("artist");
         return signed_call(p);
       },
       400, ApiError::kMissingParameter, "Missing parameter: artist"},
      {"empty timestamp", scrobble({{"timestamp", ""}}), 400, ApiError::kMissingParameter,
       "Missing parameter: timestamp"},
      {"no signature", scrobble({}, false), 403, ApiError::kInvalidSignature,
       "Invalid method signature"},
      {"empty signature", scrobble({{"api_sig", ""}}, false), 403, ApiError::kInvalidSignature,
       "Invalid method signature"},
      {"wrong signature",
       [](RunningService& s) {
         Params p = signed_call(track(s.session()));
         p["track"] = "Other";  // signed over another title
         return p;
       },
       403, ApiError::kInvalidSignature, "Invalid method signature"},
      {"upper-case signature",
       [](RunningService& s) {
         Params p = signed_call(track(s.session()));
         for (char& c : p["api_sig"])
           c = static_cast<char>(std::toupper(c));
         return p;
       },
       403, ApiError::kInvalidSignature, "Invalid method signature"},
      {"unknown session key",
       [](RunningService&) { return signed_call(track(std::string(32, 'a'))); }, 403,
       ApiError::kInvalidSessionKey, "Invalid session key"},
      {"fractional timestamp", scrobble({{"timestamp", "1.5"}}), 400, ApiError::kMalformedRequest,
       "timestamp"},
      {"padded timestamp", scrobble({{"timestamp", "017"}}), 400, ApiError::kMalformedRequest,
       "timestamp"},
      {"zero duration", scrobble({{"duration", "0"}}), 400, ApiError::kMalformedRequest,
       "duration"},
      {"unknown token", session_for([](RunningService&) { return std::string(32, '0'); }), 403,
       ApiError::kInvalidToken, "Invalid token", 2},
      {"unapproved token", session_for([](RunningService& s) { return s.token(); }), 403,
       ApiError::kTokenNotAuthorized, "not authorized", 1},
      {"used token", session_for([](RunningService& s) {
         const std::string t = s.token();
         s.allow(t);
         s.get_session(t);
         return t;
       }),
       403, ApiError::kTokenUsed, "already used", 2},
      {"expired token", session_for([](RunningService& s) {
         const std::string t = s.token();
         s.allow(t);  // refused: expired already
         return t;
       }),
       403, ApiError::kTokenExpired, "expired", 2, with_ttl(std::chrono::seconds(0))},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.name);
    RunningService svc(c.options);
    const Reply reply = svc.call(c.request(svc));
    EXPECT_EQ(reply.status, c.status);
    const auto json = nlohmann::json::parse(reply.body);
    EXPECT_EQ(json["error"], static_cast<int>(c.error)) << reply.body;
    // Read as the component reads it: compact JSON, found by plain text search.
    const std::string message = field(reply.body, "message");
    EXPECT_NE(message.find(c.message), std::string::npos) << reply.body;
    EXPECT_NE(reply.body.find("\"error\""), std::string::npos);
    if (c.auth_row != 0) {
      EXPECT_EQ(auth_row(message), c.auth_row) << message;
    }
    const auto history = nlohmann::json::parse(svc.get("/history.json").body);
    EXPECT_TRUE(history["now_playing"].empty() && history["scrobbles"].empty());
  }
}

TEST(ServiceTest, RefusesMalformedRequestsAndKeepsServing) {
  RunningService svc;
  const std::string at_limit = "a=" + std::string(kMaxRequestBytes - 2, 'x');
  const struct {
    const char* name;
    std::string path;
    std::string body;  // empty with a null content type: a GET
    const char* content_type;
    int status;
    ApiError error;
  } cases[] = {
      {"bad escape", "/api/2.0", "method=auth.getToken&x=%G1", kForm, 400,
       ApiError::kMalformedRequest},
      {"no =", "/api/2.0", "method", kForm, 400, ApiError::kMalformedRequest},
      {"plain text", "/api/2.0", "method=auth.getToken", "text/plain", 415,
       ApiError::kMalformedRequest},
      {"JSON", "/api/2.0", R"({"method":"auth.getToken"})", "application/json", 415,
       ApiError::kMalformedRequest},
      {"multipart", "/api/2.0",
       "--b\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n--b--\r\n",
       "multipart/form-data; boundary=b", 415, ApiError::kMalformedRequest},
      {"query string", "/api/2.0?method=auth.getToken", "", kForm, 400,
       ApiError::kMalformedRequest},
      {"at the size limit", "/api/2.0", at_limit, kForm, 400, ApiError::kMissingParameter},
      {"over the size limit", "/api/2.0", at_limit + "x", kForm, 413, ApiError::kRequestTooLarge},
      {"GET on the API", "/api/2.0", "", nullptr, 405, ApiError::kMalformedRequest},
      {"unknown path", "/api/2.1", "", kForm, 404, ApiError::kMalformedRequest},
      {"unknown page", "/nothing", "", nullptr, 404, ApiError::kMalformedRequest},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Reply reply =
        c.content_type == nullptr ? svc.get(c.path) : svc.post(c.body, c.content_type, c.path);
    EXPECT_EQ(reply.status, c.status) << reply.body;
    EXPECT_EQ(nlohmann::json::parse(reply.body, nullptr, false).value("error", 0),
              static_cast<int>(c.error))
        << reply.body;
  }
  EXPECT_EQ(svc.token().size(), 32U);
}

TEST(ServiceTest, AuthorizationPageRefusals) {
  const std::string key(kApiKey);
  const struct {
    const char* name;
    std::chrono::seconds ttl;
    std::function<std::string(RunningService&)> query;
    int status;
    const char* text;
  } cases[] = {
      {"unknown token", std::chrono::seconds(60),
       [&](RunningService&) { return "api_key=" + key + "&token=" + std::string(32, '0'); }, 404,
       "never issued"},
      {"wrong key", std::chrono::seconds(60),
       [](RunningService& s) { return "api_key=" + std::string(32, '0') + "&token=" + s.token(); },
       403, "Unknown application"},
      {"no token", std::chrono::seconds(60), [&](RunningService&) { return "api_key=" + key; }, 400,
       "lacks"},
      {"expired", std::chrono::seconds(0),
       [&](RunningService& s) { return "api_key=" + key + "&token=" + s.token(); }, 410, "expired"},
      {"used", std::chrono::seconds(60),
       [&](RunningService& s) {
         const std::string t = s.token();
         s.allow(t);
         s.get_session(t);
         return "api_key=" + key + "&token=" + t;
       },
       410, "already"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RunningService svc(with_ttl(c.ttl));
    const Reply page = svc.get("/api/auth?" + c.query(svc));
    EXPECT_EQ(page.status, c.status);
    EXPECT_NE(page.body.find(c.text), std::string::npos) << page.body;
  }
}

TEST(ServiceTest, AutoApproveAllowsWhenThePageIsOpened) {
  ServiceOptions options;
  options.auto_approve = true;
  RunningService svc(options);
  const std::string token = svc.token();
  const Reply page = svc.get(svc.auth_path(token));
  EXPECT_EQ(page.status, 200);
  EXPECT_NE(page.body.find("Return to the player"), std::string::npos);
  EXPECT_EQ(field(svc.get_session(token).body, "key").size(), 32U);
}

TEST(ServiceTest, ConcurrentExchangesOfOneTokenOpenOneSession) {
  RunningService svc;
  const std::string token = svc.token();
  ASSERT_EQ(svc.allow(token).status, 200);
  constexpr int kThreads = 6;
  std::vector<Reply> replies(kThreads);
  std::vector<std::thread> threads;
  for (Reply& reply : replies) {
    threads.emplace_back([&svc, &token, &reply] { reply = svc.get_session(token); });
  }
  for (std::thread& t : threads)
    t.join();
  const auto sessions =
      std::count_if(replies.begin(), replies.end(), [](const Reply& r) { return r.status == 200; });
  const auto used = std::count_if(replies.begin(), replies.end(), [](const Reply& r) {
    return r.body.find("already used") != std::string::npos;
  });
  EXPECT_EQ(sessions, 1);
  EXPECT_EQ(used, kThreads - 1);
}

TEST(ServiceTest, HistoryPageEscapesWhatClientsSent) {
  RunningService svc;
  const std::string sk = svc.session();
  ASSERT_EQ(svc.call(signed_call(track(sk, {{"artist", "<b>\"x\"&'y'</b>"}}))).status, 200);
  const std::string page = svc.get("/history").body;
  EXPECT_NE(page.find("&lt;b&gt;&quot;x&quot;&amp;&#39;y&#39;&lt;/b&gt;"), std::string::npos);
  EXPECT_EQ(page.find("<b>"), std::string::npos);
}

TEST(ServiceTest, APortInUseIsAnError) {
  RunningService first;
  ServiceOptions options;
  options.port = first.port();
  Service second(options);
  std::string error;
  EXPECT_FALSE(second.start(error));
  EXPECT_EQ(error, "cannot listen on 127.0.0.1 port " + std::to_string(options.port));
}

}  // namespace
}  // namespace brivanto_service
