#include <string_view>
#include <utility>

#include "api/api_client.h"
#include "api/md5.h"

namespace foo_brivanto {

ApiClient::ApiClient(std::string base_url, std::string api_key, std::string shared_secret)
    : base_url_(strip_trailing_slashes(std::move(base_url))),
      api_key_(std::move(api_key)),
      shared_secret_(std::move(shared_secret)) {}

std::string ApiClient::sign(const ParamMap& params) const {
  ParamMap signed_params = params;
  signed_params["api_key"] = api_key_;

  std::string base;
  for (const auto& [name, value] : signed_params) {
    if (name == "format" || name == "callback" || name == "api_sig") {
      continue;
    }
    base.append(name).append(value);
  }
  base.append(shared_secret_);
  return md5_hex(base);
}

std::string strip_trailing_slashes(std::string url) {
  while (!url.empty() && url.back() == '/') {
    url.pop_back();
  }
  return url;
}

}  // namespace foo_brivanto
