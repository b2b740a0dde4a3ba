// One exchange over a platform's HTTP steps, with its redirects, its limits and the closing of
// every handle on every way out.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "http/byte_units.h"
#include "http/http_client.h"
#include "http/http_steps.h"

namespace foo_brivanto {
namespace {

// Closes its handle when it goes. Declared session first, then connection, then request, so
// that leaving a scope (by return or by exception) closes the request, then the connection,
// then the session.
class ScopedHandle {
 public:
  ScopedHandle(HttpSteps& steps, HttpHandle handle) : steps_(steps), handle_(handle) {}
  ~ScopedHandle() { close(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  HttpHandle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

  void close() {
    if (handle_ != nullptr) {
      steps_.close_handle(std::exchange(handle_, nullptr));
    }
  }

 private:
  HttpSteps& steps_;
  HttpHandle handle_;
};

bool is_absolute(std::string_view url) {
  return url.starts_with("https://") || url.starts_with("http://");
}

// Where the next request of an exchange goes.
struct Target {
  std::u16string host;
  std::u16string path;
  std::uint16_t port;
  bool secure;
};

// Points `target` at a redirect's Location: an absolute URL anywhere (but never from https
// back to http), anything else as a path on the same server. False with `error` set when the
// Location is refused.
bool follow(std::u16string location, Target& target, std::string& error) {
  while (!location.empty() && location.back() == u'\0') {
    location.pop_back();
  }
  const std::string bytes = narrow_to_low_bytes(location);
  if (!is_absolute(bytes)) {
    target.path = std::move(location);
    return true;
  }
  const bool was_secure = target.secure;
  if (!split_url(bytes, target.host, target.path, target.port, target.secure, error)) {
    return false;
  }
  // The body holds the session key and a signature: once on TLS, it never leaves it.
  if (was_secure && !target.secure) {
    error = "Redirect from https to http refused";
    return false;
  }
  return true;
}

}  // namespace

bool http_exchange(HttpSteps& steps, const std::u16string& host, std::uint16_t port, bool secure,
                   const std::u16string& path, const std::string& body, std::string& reply,
                   std::string& error, int& status, const HttpTimeouts& timeouts) {
  const ScopedHandle session(steps, steps.open_session(std::u16string(kHttpUserAgent), timeouts));
  if (!session) {
    error = "WinHttpOpen failed";
    return false;
  }
  // A step that fails once the total limit has run out failed because of it.
  const auto fail = [&](std::string text) {
    error = steps.out_of_time(session.get()) ? out_of_time_error(timeouts) : std::move(text);
    return false;
  };

  Target target{host, path, port, secure};
  const std::u16string verb = body.empty() ? u"GET" : u"POST";
  const std::u16string headers(kHttpRequestHeaders);
  for (int redirects = 0;;) {
    ScopedHandle connection(steps, steps.connect(session.get(), target.host, target.port));
    if (!connection) {
      return fail("WinHttpConnect failed");
    }
    ScopedHandle request(steps,
                         steps.open_request(connection.get(), verb, target.path, target.secure));
    if (!request) {
      return fail("WinHttpOpenRequest failed");
    }
    if (!steps.send_request(request.get(), headers, body)) {
      return fail("WinHttpSendRequest failed");
    }
    ReplyHead head;
    if (!steps.receive_response(request.get(), head)) {
      return fail("WinHttpReceiveResponse failed");
    }

    if (!head.status || *head.status < 300 || *head.status >= 400) {
      std::string received;
      const BodyEnd end = steps.read_body(request.get(), received);
      if (end == BodyEnd::kTooLarge) {
        error = "Reply larger than 1 MiB";
        return false;
      }
      // A body that broke off is the reply, unless the total limit cut it.
      if (end == BodyEnd::kBrokenOff && steps.out_of_time(session.get())) {
        return fail({});
      }
      reply = std::move(received);
      status = static_cast<int>(head.status.value_or(0));
      return true;
    }

    if (!head.location) {
      error = "Redirect without Location header";
      return false;
    }
    if (!follow(std::move(*head.location), target, error)) {
      return false;
    }
    request.close();
    connection.close();
    if (++redirects > kMaxRedirects) {
      error = "Too many redirects";
      return false;
    }
  }
}

std::string out_of_time_error(const HttpTimeouts& timeouts) {
  return "HTTP exchange took longer than " + std::to_string(timeouts.total_ms / 1000) + " s";
}

}  // namespace foo_brivanto
