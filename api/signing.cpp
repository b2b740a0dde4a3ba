// The signature of a call: MD5 over its parameters in name order and the shared secret.
#include <string_view>

#include "api/api_client.h"
#include "api/md5.h"

namespace foo_brivanto {

std::string ApiClient::sign(const ParamMap& params) const {
  ParamMap signed_params = params;
  signed_params["api_key"] = api_key_;

  std::string base;
  for (const auto& [name, value] : signed_params) {
    // "format" and "callback" only shape the reply, and "api_sig" is the signature itself.
    if (name == "format" || name == "callback" || name == "api_sig") {
      continue;
    }
    base.append(name).append(value);
  }
  base.append(shared_secret_);
  return md5_hex(base);
}

}  // namespace foo_brivanto
