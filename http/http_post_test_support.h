// Helpers of the tests that post to the scripted test server.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>

#include "http/http_client.h"

namespace foo_brivanto {

// What the outputs of http_post hold before the call; a failure must leave them so.
inline const std::string kUntouched = "untouched";
inline constexpr int kUntouchedStatus = -1;

struct Result {
  bool ok = false;
  std::string reply = kUntouched;
  std::string error = kUntouched;
  int status = kUntouchedStatus;
};

// http_post of `body` to an absolute URL.
inline Result post(const std::string& url, const std::string& body,
                   const HttpTimeouts& timeouts = kHttpTimeouts) {
  std::u16string host;
  std::u16string path;
  std::uint16_t port = 0;
  bool secure = false;
  Result result;
  std::string error;
  if (!split_url(url, host, path, port, secure, error)) {
    ADD_FAILURE() << url << ": " << error;
    return result;
  }
  result.ok = http_post(host, port, secure, path, body, result.reply, result.error, result.status,
                        timeouts);
  return result;
}

// The test server's path that answers with `status` and `location`.
inline std::string redirect_path(int status, std::string_view location) {
  constexpr std::string_view kHex = "0123456789ABCDEF";
  std::string path = "/redirect/" + std::to_string(status) + "?to=";
  for (const char c : location) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) != 0 || std::string_view("/:.-_").find(c) != std::string_view::npos) {
      path += c;
    } else {
      path += '%';
      path += kHex[byte >> 4U];
      path += kHex[byte & 0x0FU];
    }
  }
  return path;
}

// The test server's description of a request it received (its /echo path): the request line,
// "tls: yes|no", one line per header, an empty line, the body.
struct Echo {
  explicit Echo(std::string_view text) {
    const std::size_t end = text.find("\n\n");
    if (end == std::string_view::npos) {
      ADD_FAILURE() << "not an echo: " << text;
      return;
    }
    body = text.substr(end + 2);
    std::string_view lines = text.substr(0, end + 1);
    request_line = lines.substr(0, lines.find('\n'));
    headers = lines.substr(request_line.size() + 1);
  }

  // The value of the first header of that name (as written by the server), or "" when absent.
  std::string header(std::string_view name) const {
    const std::string prefix = "\n" + std::string(name) + ": ";
    const std::string all = "\n" + headers;
    const std::size_t at = all.find(prefix);
    if (at == std::string::npos) {
      return "";
    }
    const std::size_t start = at + prefix.size();
    return all.substr(start, all.find('\n', start) - start);
  }

  std::string request_line;
  std::string headers;  // "tls: ...\n" and the header lines
  std::string body;
};

}  // namespace foo_brivanto
