// The shipped library's service address: the one chosen when the project was configured.
#include "api/service_identity.h"
#include "service_address_config.h"

namespace foo_brivanto {

std::string_view service_base_url() {
  return kServiceBaseUrl;
}

std::string_view service_host_name() {
  return kServiceHostName;
}

}  // namespace foo_brivanto
