// How names and values travel in a request body and in the web authorization address.
#pragma once

#include <string>
#include <string_view>

#include "api/param_map.h"

namespace foo_brivanto {

// Percent-encodes byte by byte: letters, digits and "-", "_", ".", "~" stay; a space becomes
// "+"; every other byte (UTF-8 bytes included) becomes "%" and two upper-case hex digits.
std::string url_encode(std::string_view bytes);

// "name=value" pairs, both encoded, joined by "&", in the map's order. An empty value still
// gives "name=".
std::string form_body(const ParamMap& params);

}  // namespace foo_brivanto
