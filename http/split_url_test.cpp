#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

#include "http/http_client.h"

namespace foo_brivanto {
namespace {

// What split_url made of a URL, as one line: "host path port scheme" (code units above 127
// as "<N>"), or the error it gave, or what it threw; with a note when a failure wrote any
// output other than the error, or when anything but a refusal wrote the error.
std::string split(const std::string& url) {
  std::u16string host = u"old";
  std::u16string path = u"/old";
  std::uint16_t port = 1;
  bool secure = false;
  std::string error = "untouched";
  std::string outcome;
  try {
    if (!split_url(url, host, path, port, secure, error)) {
      outcome = "error: " + std::exchange(error, "untouched");
    }
  } catch (const std::invalid_argument& e) {
    outcome = std::string("invalid: ") + e.what();
  } catch (const std::out_of_range& e) {
    outcome = std::string("range: ") + e.what();
  }
  if (outcome.empty()) {
    for (const char16_t unit : host + u" " + path) {
      outcome += unit < 0x80 ? std::string(1, static_cast<char>(unit))
                             : "<" + std::to_string(static_cast<int>(unit)) + ">";
    }
    outcome += " " + std::to_string(port) + (secure ? " https" : " http");
  } else if (host != u"old" || path != u"/old" || port != 1 || secure) {
    outcome += " (outputs written)";
  }
  return error == "untouched" ? outcome : outcome + " (error written)";
}

TEST(SplitUrlTest, SplitsOrRejects) {
  const std::string scheme = "error: URL must start with http:// or https://";
  const std::string range = "error: URL port out of range";
  const std::string invalid = "invalid: invalid stoi argument";
  const std::string too_big = "range: stoi argument out of range";
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
