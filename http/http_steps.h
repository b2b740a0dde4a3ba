// The steps of one HTTP exchange over the operating system's HTTP library: WinHTTP on Windows
// (http_steps_win32.cpp), libcurl elsewhere (http_steps_posix.cpp). The exchange's own logic
// (redirects, handle closing, error texts, the reply's cap) is written once over these steps,
// in http_exchange.cpp, so that it behaves the same on every platform.
//
// Handles are opaque. A session gives connections, a connection gives requests; each handle
// is closed with close_handle, a request before its connection, a connection before its
// session. A session and everything opened from it are used by one thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "http/http_client.h"

namespace foo_brivanto {

using HttpHandle = void*;

// What the exchange needs of a final reply's head.
struct ReplyHead {
  std::optional<std::uint32_t> status;     // none: it could not be read
  std::optional<std::u16string> location;  // as received, widened byte by byte; none: absent
};

// How reading a reply's body ended.
enum class BodyEnd { kComplete, kBrokenOff, kTooLarge };

class HttpSteps {
 public:
  virtual ~HttpSteps() = default;

  // A session that sends `user_agent`, uses the platform's default proxy configuration, and
  // holds every connection and request opened from it to `timeouts`: the per-wait limits for
  // each wait, and the total limit, counted from the start of the exchange, for all of them
  // together. Once the total limit has run out, the step under way ends (or, where the HTTP
  // library cannot end it, its outcome no longer counts) and every later one fails at once.
  // Null on failure.
  virtual HttpHandle open_session(const std::u16string& user_agent,
                                  const HttpTimeouts& timeouts) = 0;

  // True when the session's total limit has run out and ended or refused one of its steps.
  virtual bool out_of_time(HttpHandle session) = 0;

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

  // Waits for the final reply's head (1xx replies are passed over) and gives its status code
  // and Location header. False when none arrived.
  virtual bool receive_response(HttpHandle request, ReplyHead& head) = 0;

  // Reads the reply's body into `body` until its end (kComplete) or until it breaks off
  // (kBrokenOff, with the bytes that came). Stops with kTooLarge as soon as the body is known
  // to be longer than kMaxReplyBytes, never holding more than kMaxReplyBytes of it.
  virtual BodyEnd read_body(HttpHandle request, std::string& body) = 0;

  virtual void close_handle(HttpHandle handle) = 0;
};

// http_post over the given steps: each platform's http_post runs it over that platform's
// steps. Tests use it with scripted steps to watch the handles.
bool http_exchange(HttpSteps& steps, const std::u16string& host, std::uint16_t port, bool secure,
                   const std::u16string& path, const std::string& body, std::string& reply,
                   std::string& error, int& status, const HttpTimeouts& timeouts);

// The error of an exchange that its total limit ended: "HTTP exchange took longer than N s".
std::string out_of_time_error(const HttpTimeouts& timeouts);

}  // namespace foo_brivanto
