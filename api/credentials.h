// The component's identity toward the brivanto service. The shared secret only ever enters
// signatures; it is never sent.
#pragma once

#include <string_view>

namespace foo_brivanto {

inline constexpr std::string_view kApiKey = "5e0c7a91d3b24f86a1c09e7d2b6f4a38";
inline constexpr std::string_view kSharedSecret = "c47d19e2a8b05f3e6d912b7a0e5c8f14";

}  // namespace foo_brivanto
