#include <cstdint>
#include <utility>

#include "api/api_client.h"
#include "api/form_encoding.h"
#include "http/http_client.h"

namespace foo_brivanto {

bool ApiClient::call(ParamMap params, std::string& reply, std::string& error, int& status) const {
  params["api_key"] = api_key_;
  params["format"] = "json";

  std::u16string host;
  std::u16string path;
  std::uint16_t port = 0;
  bool secure = false;
  if (!split_url(base_url_ + "/api/2.0", host, path, port, secure, error)) {
    return false;
  }
  return http_post(host, port, secure, path, form_body(params), reply, error, status);
}

bool ApiClient::call(ParamMap params, std::string& reply, std::string& error) const {
  int status = 0;
  return call(std::move(params), reply, error, status);
}

}  // namespace foo_brivanto
