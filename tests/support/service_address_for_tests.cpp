// Test builds of the component talk to the stand-in service that CTest runs as the fixture
// "service", at whatever loopback port it got.
#include <string>

#include "api/service_identity.h"
#include "tests/support/fixture_url.h"

namespace foo_brivanto {

std::string_view service_base_url() {
  static const std::string url = brivanto_test::fixture_url("service");
  return url;
}

std::string_view service_host_name() {
  static const std::string url(service_base_url());
  static const std::string host =
      url.substr(url.find("://") + 3, url.rfind(':') - url.find("://") - 3);
  return host;
}

}  // namespace foo_brivanto
