#include "service/form.h"

#include <algorithm>

#include <nlohmann/json.hpp>

namespace brivanto_service {
namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// Undoes "+" and %XX in one name or value; nullopt when an escape is cut short or not hex.
std::optional<std::string> unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      out += ' ';
    } else if (c != '%') {
      out += c;
    } else {
      if (text.size() - i < 3)
        return std::nullopt;
      const int high = hex_digit(text[i + 1]);
      const int low = hex_digit(text[i + 2]);
      if (high < 0 || low < 0)
        return std::nullopt;
      out += static_cast<char>(high * 16 + low);
      i += 2;
    }
  }
  return out;
}

}  // namespace

bool is_utf8(std::string_view text) {
  // The JSON library validates UTF-8 when it serialises a string; that is the check we need.
  try {
    (void)nlohmann::json(std::string(text)).dump();
    return true;
  } catch (const nlohmann::json::type_error&) {
    return false;
  }
}

std::optional<Params> decode_form(std::string_view body, std::string& error) {
  Params params;
  if (body.empty())
    return params;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = std::min(body.find('&', start), body.size());
    const std::string_view field = body.substr(start, end - start);
    const std::size_t equals = field.find('=');
    if (field.empty()) {
      error = "empty field (&& or & at the start or end)";
      return std::nullopt;
    }
    if (equals == std::string_view::npos) {
      error = "field without =";
      return std::nullopt;
    }
    if (equals == 0) {
      error = "field with an empty name";
      return std::nullopt;
    }
    auto name = unescape(field.substr(0, equals));
    auto value = unescape(field.substr(equals + 1));
    if (!name || !value) {
      error = "% not followed by two hexadecimal digits";
      return std::nullopt;
    }
    if (!is_utf8(*name) || !is_utf8(*value)) {
      error = "parameter that is not UTF-8";
      return std::nullopt;
    }
    if (params.contains(*name)) {
      error = "parameter given twice: " + *name;
      return std::nullopt;
    }
    params.emplace(std::move(*name), std::move(*value));
    if (end == body.size())
      break;
    start = end + 1;
  }
  return params;
}

}  // namespace brivanto_service
