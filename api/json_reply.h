// Reading the service's JSON replies by plain text search, and quoting them in error texts.
//
// The component has no JSON parser: the few string fields it needs ("token", "key", "message")
// are found by their quoted name, a rejected track call by the quoted word "error", and the
// service's code for it by the number after that word.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace foo_brivanto {

// The value of the first `"name":"value"` in `body`, found by plain byte search (no white space
// around the colon, no unescaping, cut at the next double quote); empty when there is none.
std::optional<std::string> json_string_field(const std::string& body, const std::string& name);

// json_string_field for "message", where the service puts the text of an error.
std::optional<std::string> json_error_message(const std::string& body);

// The whole number after the first quoted `"name"` in `body` that is followed by a colon (white
// space allowed around it): an optional minus and 1 to 9 digits, ending the value. Empty when
// there is none, or when the value is anything else (text, a fraction, a longer number).
std::optional<int> json_integer_field(std::string_view body, std::string_view name);

// True when the reply of a track call reports an error: it holds the quoted word "error".
bool reports_error(std::string_view reply);

// `reply` as it may appear in an error text: at most its first 1,000 bytes, cut before a UTF-8
// character that would not fit whole and followed by "…" when cut. A broken or hostile server
// must not fill the console or a message box with its reply.
std::string cut_reply_echo(std::string_view reply);

}  // namespace foo_brivanto
