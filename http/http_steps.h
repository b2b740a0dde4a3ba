// The steps of one HTTP exchange, as the operating system's HTTP library offers them: WinHTTP
// on Windows (http_steps_win32.cpp), libcurl elsewhere (http_steps_posix.cpp). The exchange's
// own logic (redirects, handle closing, error texts) is written once over these steps, in
// http_client.cpp, so it behaves the same on every platform.
//
// Handles are opaque. A session gives connections, a connection gives requests; each handle
// is closed with close_handle, a request before its connection, a connection before its
// session. A handle is used by one thread at a time; different handles may be used on
// different threads at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "http/http_client.h"

namespace foo_brivanto {

using HttpHandle = void*;

// URLs, hosts and paths travel as UTF-16 with one code unit per byte: widen makes each byte a
// code unit, narrow keeps the low byte of each.
std::u16string widen(std::string_view bytes);
std::string narrow(std::u16string_view wide);

class HttpSteps {
 public:
  virtual ~HttpSteps() = default;

  // A session that sends `user_agent`, uses the platform's default proxy configuration and
  // blocks in every step. Null on failure.
  virtual HttpHandle open_session(const std::u16string& user_agent) = 0;

  // Limits for the connections and requests opened from now on. Best effort: failure is not
  // reported.
  virtual void set_timeouts(HttpHandle session, const HttpTimeouts& timeouts) = 0;

  // A connection to host:port. Need not reach the server yet. Null on failure.
  virtual HttpHandle connect(HttpHandle session, const std::u16string& host,
                             std::uint16_t port) = 0;

  // A request for `path` (sent as given) with `verb`, over TLS when `secure`. Null on failure.
  virtual HttpHandle open_request(HttpHandle connection, const std::u16string& verb,
                                  const std::u16string& path, bool secure) = 0;

  // Sends the request with `headers` (CRLF-terminated lines) and the whole `body`. False when
  // the server could not be reached or the request not sent. `body` must stay valid until the
  // request is closed.
  virtual bool send_request(HttpHandle request, const std::u16string& headers,
                            const std::string& body) = 0;

  // Waits for the final reply's headers. False when none arrived.
  virtual bool receive_response(HttpHandle request) = 0;

  // The reply's status code. False when it cannot be read.
  virtual bool query_status(HttpHandle request, std::uint32_t& status) = 0;

  // The reply's Location header as received, widened byte by byte. False when there is none.
  virtual bool query_location(HttpHandle request, std::u16string& location) = 0;

  // Waits until body bytes are ready, and gives their number: 0 at the end of the body. False
  // when the body broke off.
  virtual bool query_data_available(HttpHandle request, std::size_t& available) = 0;

  // Reads up to buffer.size() ready body bytes into `buffer`; `read` receives their number.
  virtual bool read_data(HttpHandle request, std::span<char> buffer, std::size_t& read) = 0;

  virtual void close_handle(HttpHandle handle) = 0;
};

// The steps over this platform's HTTP library. Lives as long as the program.
HttpSteps& platform_http_steps();

// http_post over the given steps. Tests use it with scripted steps to watch the handles.
bool http_exchange(HttpSteps& steps, const std::u16string& host, std::uint16_t port, bool secure,
                   const std::u16string& path, const std::string& body, std::string& reply,
                   std::string& error, int& status, const HttpTimeouts& timeouts);

}  // namespace foo_brivanto
