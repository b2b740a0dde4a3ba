#include "api/api_client.h"
#include "api/form_encoding.h"

namespace foo_brivanto {
namespace {

// The string field `name` of a reply; when the reply lacks it, the service's message, or
// `missing` followed by the whole reply, goes to `error`.
std::optional<std::string> field_or_error(const std::string& reply, const std::string& name,
                                          const char* missing, std::string& error) {
  if (auto value = json_string_field(reply, name)) {
    return value;
  }
  if (auto message = json_error_message(reply)) {
    error = *message;
  } else {
    error = missing + reply;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> ApiClient::get_token(std::string& error) const {
  // Unsigned: the service gives tokens to any holder of the API key.
  const ParamMap params = {{"method", "auth.getToken"}};
  std::string reply;
  if (!call(params, reply, error)) {
    return std::nullopt;
  }
  return field_or_error(reply, "token", "token not found in response: ", error);
}

std::optional<std::string> ApiClient::get_session(const std::string& token,
                                                  std::string& error) const {
  ParamMap params = {{"method", "auth.getSession"}, {"token", token}};
  params["api_sig"] = sign(params);
  std::string reply;
  if (!call(params, reply, error)) {
    return std::nullopt;
  }
  return field_or_error(reply, "key", "session key not found: ", error);
}

std::string web_auth_url(const std::string& base_url, const std::string& api_key,
                         const std::string& token) {
  return strip_trailing_slashes(base_url) + "/api/auth?api_key=" + url_encode(api_key) +
         "&token=" + url_encode(token);
}

}  // namespace foo_brivanto
