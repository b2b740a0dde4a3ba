// The brivanto service as this build of the component knows it: where it is, and the
// component's key and secret toward it. The shared secret only ever enters signatures; it is
// never sent.
//
// The address is fixed when the component library is linked: the shipped library links
// service_address.cpp (the configure-time BRIVANTO_BASE_URL), test builds link an
// implementation that points at a stand-in service on loopback. Everything that talks to the
// service or names it to the user (the tracker's submissions, the preferences page, the
// component's about text) reads it from here.
#pragma once

#include <string_view>

namespace foo_brivanto {

inline constexpr std::string_view kApiKey = "5e0c7a91d3b24f86a1c09e7d2b6f4a38";
inline constexpr std::string_view kSharedSecret = "c47d19e2a8b05f3e6d912b7a0e5c8f14";

// Scheme and host (and optional port), without a trailing slash.
std::string_view service_base_url();

// The host name in service_base_url(), as shown to the user.
std::string_view service_host_name();

}  // namespace foo_brivanto
