#include "api/api_client.h"
#include "api/form_encoding.h"

namespace foo_brivanto {

std::optional<std::string> ApiClient::get_token(std::string& error) const {
  // Unsigned: the service gives tokens to any holder of the API key.
  const ParamMap params = {{"method", "auth.getToken"}};
  std::string reply;
  if (!call(params, reply, error)) {
    return std::nullopt;
  }
  if (auto token = json_string_field(reply, "token")) {
    return token;
  }
  if (auto message = json_error_message(reply)) {
    error = *message;
  } else {
    error = "token not found in response: " + reply;
  }
  return std::nullopt;
}

std::optional<std::string> ApiClient::get_session(const std::string& token,
                                                  std::string& error) const {
  ParamMap params = {{"method", "auth.getSession"}, {"token", token}};
  params["api_sig"] = sign(params);
  std::string reply;
  if (!call(params, reply, error)) {
    return std::nullopt;
  }
  if (auto key = json_string_field(reply, "key")) {
    return key;
  }
  if (auto message = json_error_message(reply)) {
    error = *message;
  } else {
    error = "session key not found: " + reply;
  }
  return std::nullopt;
}

std::string web_auth_url(const std::string& base_url, const std::string& api_key,
                         const std::string& token) {
  return strip_trailing_slashes(base_url) + "/api/auth?api_key=" + url_encode(api_key) +
         "&token=" + url_encode(token);
}

}  // namespace foo_brivanto
