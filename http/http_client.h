// The component's HTTP transport: one blocking HTTP or HTTPS exchange that posts a form body
// to a URL, follows up to three redirects by itself and hands back the final reply's body.
//
// Both functions touch no shared state: any number of threads may call them at once. Each
// http_post call blocks its thread until the exchange ends, at the latest when its total limit
// runs out; it opens its own session and keeps nothing between calls. Once it has returned,
// nothing of its exchange reaches the caller again. Over WinHTTP the exchange runs on a thread
// of its own; a blocked call that the limit cannot end at once (Wine's WinHTTP ends one only
// when the server stops or a per-wait limit passes) keeps that thread and its handles until it
// returns, and they go then. Everywhere else every handle is closed before http_post returns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace foo_brivanto {

// Limits of one exchange, in milliseconds, all positive; as given, the ones the component
// uses. Connecting, and each wait while sending and while receiving, end when no byte moves
// for that long; the total limit ends the whole exchange, redirects included, however slowly
// bytes keep coming.
struct HttpTimeouts {
  int connect_ms = 15000;
  int send_ms = 15000;
  int receive_ms = 15000;
  int total_ms = 60000;
};

// The limits the component always uses.
inline constexpr HttpTimeouts kHttpTimeouts{};

inline constexpr std::u16string_view kHttpUserAgent = u"foo_brivanto/1.0";
// Sent with every request, body or not.
inline constexpr std::u16string_view kHttpRequestHeaders =
    u"Content-Type: application/x-www-form-urlencoded\r\n";
// Redirect replies followed per exchange; one more fails it.
inline constexpr int kMaxRedirects = 3;
// The largest reply body taken. The service's replies are a few hundred bytes; a bigger one is
// refused rather than held, so that no server can make the component hold what it sends.
inline constexpr std::size_t kMaxReplyBytes = std::size_t{1} << 20U;

// Takes an absolute "http://" or "https://" URL apart. On success writes the host (without
// port), the path from the first "/" after the host to the end, query included ("/" when there
// is none), the port (explicit, else 443 for https and 80 for http) and whether it is https,
// and returns true. Host and path are widened byte by byte, so only ASCII URLs are meaningful.
// On failure returns false with a text in `error` and leaves the other outputs alone:
// "URL must start with http:// or https://", or "URL port out of range" for a port number
// beyond 0..65535.
//
// Throws std::invalid_argument ("invalid stoi argument") when a ":" in the host part is not
// followed by a number, and std::out_of_range ("stoi argument out of range") when that number
// does not fit a 32-bit signed integer.
bool split_url(const std::string& url, std::u16string& host, std::u16string& path,
               std::uint16_t& port, bool& secure, std::string& error);

// Sends `body` to host:port/path ("POST", or "GET" when the body is empty) with the component's
// user agent and content type, and follows redirect replies itself (relative Location on the
// same host, absolute Location anywhere, the same verb, body and header each time).
//
// Returns true once a final (non-redirect) reply has arrived, whatever its status: `reply`
// then holds its body exactly as received (the bytes read so far if the body broke off) and
// `status` its HTTP status code (0 when it could not be read); `error` is left alone. Returns
// false when the exchange failed, with one of these texts in `error` and `reply` and `status`
// left alone: "WinHttpOpen failed" (including no thread for the exchange), "WinHttpConnect
// failed", "WinHttpOpenRequest failed", "WinHttpSendRequest failed" (including name resolution,
// connecting, TLS and time-outs while sending), "WinHttpReceiveResponse failed" (no reply headers,
// including the time-out), "Redirect without Location header", "Too many redirects", "Redirect from
// https to http refused" (the signed body never leaves TLS once it is on it), "HTTP exchange took
// longer than N s" (the total limit in whole seconds), "Reply larger than 1 MiB", or the text of
// split_url for a Location it rejects.
//
// Exceptions: split_url's, for a Location with a malformed port, and std::bad_alloc; every
// handle is closed before they leave.
bool http_post(const std::u16string& host, std::uint16_t port, bool secure,
               const std::u16string& path, const std::string& body, std::string& reply,
               std::string& error, int& status, const HttpTimeouts& timeouts = kHttpTimeouts);

}  // namespace foo_brivanto
