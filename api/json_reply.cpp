// Reading the service's JSON replies, and the cut of a reply quoted in an error text.
#include "api/json_reply.h"

namespace foo_brivanto {
namespace {

constexpr std::size_t kEchoLimit = 1000;

bool is_continuation_byte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0U) == 0x80U;
}

}  // namespace

std::optional<std::string> json_string_field(const std::string& body, const std::string& name) {
  const std::string needle = "\"" + name + "\":\"";
  const std::size_t found = body.find(needle);
  if (found == std::string::npos) {
    return std::nullopt;
  }
  const std::size_t start = found + needle.size();
  const std::size_t end = body.find('"', start);
  if (end == std::string::npos) {
    return std::nullopt;
  }
  return body.substr(start, end - start);
}

std::optional<std::string> json_error_message(const std::string& body) {
  return json_string_field(body, "message");
}

bool reports_error(std::string_view reply) {
  return reply.find("\"error\"") != std::string_view::npos;
}

std::string cut_reply_echo(std::string_view reply) {
  if (reply.size() <= kEchoLimit) {
    return std::string(reply);
  }
  // A UTF-8 character has at most three continuation bytes; past that the text is not UTF-8
  // and is cut where it is.
  std::size_t end = kEchoLimit;
  while (end > kEchoLimit - 3 && is_continuation_byte(reply[end])) {
    --end;
  }
  return std::string(reply.substr(0, end)) + "…";
}

}  // namespace foo_brivanto
