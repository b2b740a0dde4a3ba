// Sessions and history of the stand-in service, for tests.
#include "tests/support/stand_in_service.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <stdexcept>

#include "api/api_client.h"
#include "api/form_encoding.h"
#include "api/service_identity.h"
#include "http/http_client.h"

namespace brivanto_test {
namespace {

using foo_brivanto::kApiKey;
using foo_brivanto::kSharedSecret;

// A request to the service outside the API (its web pages); an empty body makes it a GET.
std::string fetch(const std::string& base_url, const std::string& path, const std::string& body) {
  std::u16string host;
  std::u16string ignored_path;
  std::uint16_t port = 0;
  bool secure = false;
  std::string error;
  std::string reply;
  int status = 0;
  if (!foo_brivanto::split_url(base_url, host, ignored_path, port, secure, error) ||
      !foo_brivanto::http_post(host, port, secure, std::u16string(path.begin(), path.end()), body,
                               reply, error, status) ||
      status != 200) {
    throw std::runtime_error(path + ": " + error + reply);
  }
  return reply;
}

std::vector<ReceivedCall> calls(const nlohmann::json& list, const std::string& session) {
  std::vector<ReceivedCall> out;
  for (const auto& entry : list) {
    ReceivedCall call{entry.at("session").get<std::string>(),
                      entry.at("received_at").get<long long>(),
                      entry.at("params").get<std::map<std::string, std::string>>()};
    if (session.empty() || call.session == session) {
      out.push_back(std::move(call));
    }
  }
  return out;
}

}  // namespace

std::string approved_token(const std::string& base_url) {
  const foo_brivanto::ApiClient client(base_url, std::string(kApiKey), std::string(kSharedSecret));
  std::string error;
  const auto token = client.get_token(error);
  if (!token) {
    throw std::runtime_error("auth.getToken: " + error);
  }
  fetch(base_url, "/api/auth/allow",
        "api_key=" + foo_brivanto::url_encode(kApiKey) +
            "&token=" + foo_brivanto::url_encode(*token));
  return *token;
}

std::string new_session_key(const std::string& base_url) {
  const foo_brivanto::ApiClient client(base_url, std::string(kApiKey), std::string(kSharedSecret));
  std::string error;
  const auto key = client.get_session(approved_token(base_url), error);
  if (!key) {
    throw std::runtime_error("auth.getSession: " + error);
  }
  return *key;
}

ServiceHistory fetch_history(const std::string& base_url, const std::string& session) {
  const nlohmann::json history = nlohmann::json::parse(fetch(base_url, "/history.json", ""));
  return {calls(history.at("now_playing"), session), calls(history.at("scrobbles"), session)};
}

}  // namespace brivanto_test
