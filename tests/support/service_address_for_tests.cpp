// Test builds of the component talk to the stand-in service that CTest runs as the fixture
// "service" (see tests/CMakeLists.txt), at whatever loopback port it got.
#include <string>

#include "api/service_identity.h"
#include "tests/support/fixture_url.h"

namespace foo_brivanto {

std::string_view service_base_url() {
  static const std::string url = brivanto_test::fixture_url("service");
  return url;
}

std::string_view service_host_name() {
  static const std::string host = [] {
    const std::string_view url = service_base_url();
    std::string_view rest = url.substr(url.find("://") + 3);
    return std::string(rest.substr(0, rest.find_first_of(":/")));
  }();
  return host;
}

}  // namespace foo_brivanto
