// ParamMap: the named parameters of one call to the service.
//
// Names are unique (setting a name again replaces its value) and the map iterates in ascending
// byte-wise order of the names, comparing bytes as unsigned values: std::string's ordering does
// exactly that, so upper-case names come before lower-case ones and bytes 0x80-0xFF last. The
// signature and the form body both walk the map in this order.
#pragma once

#include <map>
#include <string>

namespace foo_brivanto {

using ParamMap = std::map<std::string, std::string>;

}  // namespace foo_brivanto
