// Helpers of the tests that post to the scripted test server (http/test_server).
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>

#include "http/http_client.h"

namespace foo_brivanto {

// The outputs of http_post, holding before the call what a failure must leave in them.
struct Result {
  bool ok = false;
  std::string reply = "untouched";
  std::string error = "untouched";
  int status = -1;
};

// http_post of `body` to an absolute URL.
inline Result post(const std::string& url, const std::string& body,
                   const HttpTimeouts& timeouts = kHttpTimeouts) {
  std::u16string host;
  std::u16string path;
  std::uint16_t port = 0;
  bool secure = false;
  Result result;
  if (!split_url(url, host, path, port, secure, result.error)) {
    ADD_FAILURE() << url << ": " << result.error;
    return result;
  }
  result.ok = http_post(host, port, secure, path, body, result.reply, result.error, result.status,
                        timeouts);
  return result;
}

// The test server's path that answers with `status` and `location`.
inline std::string redirect_path(int status, std::string_view location) {
  std::string path = "/redirect/" + std::to_string(status) + "?to=";
  for (const char c : location) {
    const auto byte = static_cast<unsigned char>(c);
    path += std::isalnum(byte) != 0 ? std::string(1, c)
                                    : std::string{'%', "0123456789ABCDEF"[byte >> 4U],
                                                  "0123456789ABCDEF"[byte & 0x0FU]};
  }
  return path;
}

// In the test server's description of a request (its /echo path: the request line,
// "tls: yes|no", a line per header, an empty line, the body), the value of the first line
// that starts with `name` and ": ", or "" when there is none; the request line for "".
inline std::string echo_line(const std::string& echo, std::string_view name) {
  const std::string head = "\n" + echo.substr(0, echo.find("\n\n") + 1);
  const std::string prefix = name.empty() ? "\n" : "\n" + std::string(name) + ": ";
  const std::size_t at = head.find(prefix);
  if (at == std::string::npos) {
    return "";
  }
  const std::size_t start = at + prefix.size();
  return head.substr(start, head.find('\n', start) - start);
}

inline std::string echo_body(const std::string& echo) {
  const std::size_t end = echo.find("\n\n");
  return end == std::string::npos ? "not an echo: " + echo : echo.substr(end + 2);
}

}  // namespace foo_brivanto
