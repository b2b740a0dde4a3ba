#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "http/http_client.h"

namespace foo_brivanto {
namespace {

// All split_url gave for a URL, in one line: "false " when it returned false, what it threw,
// host, path (units over 127 as "<N>"), port, scheme, and " | " and the error it wrote.
std::string split(const std::string& url) {
  std::u16string host = u"old";
  std::u16string path = u"/old";
  std::uint16_t port = 1;
  bool secure = false;
  std::string error;
  std::string text;
  try {
    text = split_url(url, host, path, port, secure, error) ? "" : "false ";
  } catch (const std::logic_error& e) {  // std::invalid_argument, std::out_of_range
    text = std::string(dynamic_cast<const std::out_of_range*>(&e) ? "range " : "invalid ") +
           e.what() + ": ";
  }
  for (const char16_t unit : host + u" " + path) {
    text += unit < 0x80 ? std::string(1, static_cast<char>(unit))
                        : "<" + std::to_string(static_cast<int>(unit)) + ">";
  }
  return text + " " + std::to_string(port) + (secure ? " https" : " http") +
         (error.empty() ? "" : " | " + error);
}

TEST(SplitUrlTest, SplitsOrRejects) {
  const std::string scheme = "false old /old 1 http | URL must start with http:// or https://";
  const std::string range = "false old /old 1 http | URL port out of range";
  const std::string invalid = "invalid invalid stoi argument: old /old 1 http";
  const std::string too_big = "range stoi argument out of range: old /old 1 http";
  const std::pair<std::string, std::string> cases[] = {
      {"https://www.brivanto.com", "www.brivanto.com / 443 https"},
      {"http://127.0.0.1:8080/api/2.0?format=json&x=/y",
       "127.0.0.1 /api/2.0?format=json&x=/y 8080 http"},
      {"http://localhost/", "localhost / 80 http"},
      {"https://h:12ab/p", "h /p 12 https"},
      {"http://h: +81", "h / 81 http"},
      {"http://h:0", "h / 0 http"},
      {"http://h:65535/", "h / 65535 http"},
      {"http://h\xC3\xA9/\xFF", "h<195><169> /<255> 80 http"},
      {"http://h:65536/", range},
      {"https://h:-1/", range},
      {"http://h:2147483647/", range},
      {"http://h:-2147483648/", range},
      {"http://h:99999999999/", too_big},
      {"http://h:2147483648/", too_big},
      {"http://h:-2147483649/", too_big},
      {"http://h:/path", invalid},
      {"http://h:port", invalid},
      {"http://h:-", invalid},
      {"HTTPS://www.brivanto.com", scheme},
      {"ftp://www.brivanto.com/", scheme},
      {"https:/", scheme},
      {"", scheme},
  };
  for (const auto& [url, expected] : cases) {
    EXPECT_EQ(split(url), expected) << url;
  }
}

}  // namespace
}  // namespace foo_brivanto
