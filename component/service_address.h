// The brivanto service this build of the component talks to.
//
// The address is fixed when the component library is linked: the shipped library takes the
// configure-time BRIVANTO_BASE_URL (service_address.cpp), while test builds link an
// implementation that points at a stand-in service on loopback.
#pragma once

#include <string_view>

namespace foo_brivanto {

// Scheme and host (and optional port), without a trailing slash.
std::string_view service_base_url();

// The host name in service_base_url(), as shown to the user.
std::string_view service_host_name();

}  // namespace foo_brivanto
