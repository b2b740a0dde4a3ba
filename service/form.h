// Decoding of application/x-www-form-urlencoded request bodies, strictly.
//
// The library's own form parser is lenient: it keeps a bad escape as it stands, takes a
// field without "=" as an empty value, lets a later duplicate shadow an earlier one and
// accepts bytes that are not UTF-8. A client that sends any of those has a bug the service
// exists to expose, and a signature over an ambiguous parameter set means nothing, so the
// service decodes bodies itself and refuses what it cannot decode exactly. Pure functions; any
// thread.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace brivanto_service {

// One call's parameters, decoded. std::string orders its keys by unsigned byte values, shorter
// prefix first: the order the signature walks.
using Params = std::map<std::string, std::string>;

// Decodes `body`: fields separated by "&", each a name, "=" and a value (the first "=" ends the
// name); "+" is a space and "%" with two hexadecimal digits (either case) is that byte. An empty
// body has no fields. Gives nullopt, with a short English reason in `error`, for an empty
// field, a field without "=", an empty name, a "%" not followed by two hexadecimal digits, a
// name given twice, or a name or value that is not UTF-8 once decoded.
std::optional<Params> decode_form(std::string_view body, std::string& error);

// True when `text` is well-formed UTF-8.
bool is_utf8(std::string_view text);

}  // namespace brivanto_service
