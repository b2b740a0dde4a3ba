// Percent-encoding of names and values, and the form body of a call.
#include "api/form_encoding.h"

namespace foo_brivanto {
namespace {

bool is_unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.' || c == '~';
}

void append_encoded(std::string& out, std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (is_unreserved(c)) {
      out.push_back(ch);
    } else if (c == ' ') {
      out.push_back('+');
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4U]);
      out.push_back(kHex[c & 0x0FU]);
    }
  }
}

}  // namespace

std::string url_encode(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  append_encoded(out, bytes);
  return out;
}

std::string form_body(const ParamMap& params) {
  std::string body;
  for (const auto& [name, value] : params) {
    if (!body.empty()) {
      body.push_back('&');
    }
    append_encoded(body, name);
    body.push_back('=');
    append_encoded(body, value);
  }
  return body;
}

}  // namespace foo_brivanto
