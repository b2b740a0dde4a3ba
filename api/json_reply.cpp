#include "api/api_client.h"

namespace foo_brivanto {

std::optional<std::string> json_string_field(const std::string& body, const std::string& name) {
  const std::string needle = "\"" + name + "\":\"";
  if (body.size() < needle.size()) {
    return std::nullopt;
  }
  const std::size_t found = body.find(needle);
  if (found == std::string::npos) {
    return std::nullopt;
  }
  const std::size_t start = found + needle.size();
  if (start >= body.size()) {
    return std::nullopt;
  }
  const std::size_t end = body.find('"', start);
  if (end == std::string::npos) {
    return std::nullopt;
  }
  return body.substr(start, end - start);
}

std::optional<std::string> json_error_message(const std::string& body) {
  return json_string_field(body, "message");
}

}  // namespace foo_brivanto
