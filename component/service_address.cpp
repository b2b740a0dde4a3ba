#include "component/service_address.h"

#include "build_config.h"

namespace foo_brivanto {

std::string_view service_base_url() {
  return kServiceBaseUrl;
}

std::string_view service_host_name() {
  return kServiceHostName;
}

}  // namespace foo_brivanto
