// Reading the service's JSON replies, and the cut of a reply quoted in an error text.
#include "api/json_reply.h"

namespace foo_brivanto {
namespace {

constexpr std::size_t kEchoLimit = 1000;

bool is_continuation_byte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0U) == 0x80U;
}

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

std::size_t skip_space(std::string_view text, std::size_t at) {
  while (at < text.size() &&
         (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n')) {
    ++at;
  }
  return at;
}

// The number that starts at `at`, if it is a whole one of at most 9 digits (so that it fits an
// int) followed by something that ends a JSON value.
std::optional<int> whole_number_at(std::string_view text, std::size_t at) {
  const bool negative = at < text.size() && text[at] == '-';
  const std::size_t first = negative ? at + 1 : at;
  std::size_t end = first;
  int value = 0;
  for (; end < text.size() && is_digit(text[end]); ++end) {
    if (end - first == 9) {
      return std::nullopt;
    }
    value = value * 10 + (text[end] - '0');
  }
  if (end == first) {
    return std::nullopt;
  }
  end = skip_space(text, end);
  if (end < text.size() && text[end] != ',' && text[end] != '}' && text[end] != ']') {
    return std::nullopt;
  }
  return negative ? -value : value;
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

std::optional<int> json_integer_field(std::string_view body, std::string_view name) {
  const std::string needle = "\"" + std::string(name) + "\"";
  for (std::size_t found = body.find(needle); found != std::string_view::npos;
       found = body.find(needle, found + 1)) {
    const std::size_t colon = skip_space(body, found + needle.size());
    if (colon < body.size() && body[colon] == ':') {
      return whole_number_at(body, skip_space(body, colon + 1));
    }
  }
  return std::nullopt;
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
