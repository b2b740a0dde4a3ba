// split_url: takes an absolute http or https URL apart into host, path, port and scheme.
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

#include "http/byte_units.h"
#include "http/http_client.h"

namespace foo_brivanto {
namespace {

constexpr std::string_view kHttpsScheme = "https://";
constexpr std::string_view kHttpScheme = "http://";

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// A port number read the way std::stoi reads a decimal int: leading white space and a sign
// allowed, reading stops at the first non-digit. The exceptions carry fixed texts, so that
// what a caller reports for a malformed port does not depend on the standard library's wording.
std::int64_t read_port_number(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && is_space(text[i])) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size() || !is_digit(text[i])) {
    throw std::invalid_argument("invalid stoi argument");
  }
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  for (; i < text.size() && is_digit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kLimit) {
      throw std::out_of_range("stoi argument out of range");
    }
  }
  if (!negative && magnitude == kLimit) {
    throw std::out_of_range("stoi argument out of range");
  }
  return negative ? -magnitude : magnitude;
}

}  // namespace

bool split_url(const std::string& url, std::u16string& host, std::u16string& path,
               std::uint16_t& port, bool& secure, std::string& error) {
  const std::string_view text = url;
  std::string_view rest;
  bool is_secure = false;
  std::int64_t number = 0;
  if (text.starts_with(kHttpsScheme)) {
    is_secure = true;
    rest = text.substr(kHttpsScheme.size());
    number = 443;
  } else if (text.starts_with(kHttpScheme)) {
    rest = text.substr(kHttpScheme.size());
    number = 80;
  } else {
    error = "URL must start with http:// or https://";
    return false;
  }

  std::string_view host_part = rest;
  std::string_view path_part = "/";
  if (const std::size_t slash = rest.find('/'); slash != std::string_view::npos) {
    host_part = rest.substr(0, slash);
    path_part = rest.substr(slash);
  }
  if (const std::size_t colon = host_part.find(':'); colon != std::string_view::npos) {
    number = read_port_number(host_part.substr(colon + 1));
    host_part = host_part.substr(0, colon);
  }
  // Cutting the number to 16 bits would send the request to some other port.
  if (number < 0 || number > std::numeric_limits<std::uint16_t>::max()) {
    error = "URL port out of range";
    return false;
  }

  host = widen_bytes(host_part);
  path = widen_bytes(path_part);
  port = static_cast<std::uint16_t>(number);
  secure = is_secure;
  return true;
}

}  // namespace foo_brivanto
