#include "http/http_client.h"

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "http/http_steps.h"

namespace foo_brivanto {
namespace {

constexpr std::string_view kHttpsScheme = "https://";
constexpr std::string_view kHttpScheme = "http://";

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// A port number read the way std::stoi reads a decimal int: leading white space and a sign
// allowed, reading stops at the first non-digit. The exception texts are the ones callers
// have always seen for a malformed port, whatever the standard library's own wording.
std::int64_t read_port_number(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && is_space(text[i])) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size() || !is_digit(text[i])) {
    throw std::invalid_argument("invalid stoi argument");
  }
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  for (; i < text.size() && is_digit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kLimit) {
      throw std::out_of_range("stoi argument out of range");
    }
  }
  if (!negative && magnitude == kLimit) {
    throw std::out_of_range("stoi argument out of range");
  }
  return negative ? -magnitude : magnitude;
}

bool starts_with_scheme(std::string_view url) {
  return url.starts_with(kHttpsScheme) || url.starts_with(kHttpScheme);
}

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

// Appends the body of the current reply to `reply` until its end, or until reading fails.
void read_body(HttpSteps& steps, HttpHandle request, std::string& reply) {
  for (;;) {
    std::size_t available = 0;
    if (!steps.query_data_available(request, available) || available == 0) {
      return;
    }
    std::string buffer(available, '\0');
    std::size_t read = 0;
    if (!steps.read_data(request, buffer, read)) {
      return;
    }
    reply.append(buffer, 0, read);
  }
}

}  // namespace

std::u16string widen(std::string_view bytes) {
  std::u16string wide;
  wide.reserve(bytes.size());
  for (const char c : bytes) {
    wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  }
  return wide;
}

std::string narrow(std::u16string_view wide) {
  std::string bytes;
  bytes.reserve(wide.size());
  for (const char16_t c : wide) {
    bytes.push_back(static_cast<char>(static_cast<unsigned char>(c & 0xFFU)));
  }
  return bytes;
}

bool split_url(const std::string& url, std::u16string& host, std::u16string& path,
               std::uint16_t& port, bool& secure, std::string& error) {
  const std::string_view text = url;
  std::string_view rest;
  bool is_secure = false;
  std::int64_t number = 0;
  if (text.starts_with(kHttpsScheme)) {
    is_secure = true;
    rest = text.substr(kHttpsScheme.size());
    number = 443;
  } else if (text.starts_with(kHttpScheme)) {
    rest = text.substr(kHttpScheme.size());
    number = 80;
  } else {
    error = "URL must start with http:// or https://";
    return false;
  }

  std::string_view host_part = rest;
  std::string_view path_part = "/";
  if (const std::size_t slash = rest.find('/'); slash != std::string_view::npos) {
    host_part = rest.substr(0, slash);
    path_part = rest.substr(slash);
  }
  if (const std::size_t colon = host_part.find(':'); colon != std::string_view::npos) {
    number = read_port_number(host_part.substr(colon + 1));
    host_part = host_part.substr(0, colon);
  }
  // Cutting the number to 16 bits would send the request to some other port.
  if (number < 0 || number > std::numeric_limits<std::uint16_t>::max()) {
    error = "URL port out of range";
    return false;
  }

  host = widen(host_part);
  path = widen(path_part);
  port = static_cast<std::uint16_t>(number);
  secure = is_secure;
  return true;
}

bool http_exchange(HttpSteps& steps, const std::u16string& host, std::uint16_t port, bool secure,
                   const std::u16string& path, const std::string& body, std::string& reply,
                   std::string& error, int& status, const HttpTimeouts& timeouts) {
  const ScopedHandle session(steps, steps.open_session(std::u16string(kHttpUserAgent)));
  if (!session) {
    error = "WinHttpOpen failed";
    return false;
  }
  steps.set_timeouts(session.get(), timeouts);

  std::u16string target_host = host;
  std::u16string target_path = path;
  std::uint16_t target_port = port;
  bool target_secure = secure;
  const std::u16string verb = body.empty() ? u"GET" : u"POST";
  const std::u16string headers(kHttpRequestHeaders);

  for (int redirects = 0;;) {
    ScopedHandle connection(steps, steps.connect(session.get(), target_host, target_port));
    if (!connection) {
      error = "WinHttpConnect failed";
      return false;
    }
    ScopedHandle request(steps,
                         steps.open_request(connection.get(), verb, target_path, target_secure));
    if (!request) {
      error = "WinHttpOpenRequest failed";
      return false;
    }
    if (!steps.send_request(request.get(), headers, body)) {
      error = "WinHttpSendRequest failed";
      return false;
    }
    if (!steps.receive_response(request.get())) {
      error = "WinHttpReceiveResponse failed";
      return false;
    }

    std::uint32_t code = 0;
    const bool have_status = steps.query_status(request.get(), code);
    if (!have_status || code < 300 || code >= 400) {
      reply.clear();
      read_body(steps, request.get(), reply);
      status = have_status ? static_cast<int>(code) : 0;
      return true;
    }

    std::u16string location;
    if (!steps.query_location(request.get(), location)) {
      error = "Redirect without Location header";
      return false;
    }
    while (!location.empty() && location.back() == u'\0') {
      location.pop_back();
    }
    if (const std::string bytes = narrow(location); starts_with_scheme(bytes)) {
      const bool was_secure = target_secure;
      if (!split_url(bytes, target_host, target_path, target_port, target_secure, error)) {
        return false;
      }
      // The body holds the session key and a signature: once on TLS, it never leaves it.
      if (was_secure && !target_secure) {
        error = "Redirect from https to http refused";
        return false;
      }
    } else {
      target_path = std::move(location);
    }

    request.close();
    connection.close();
    if (++redirects > kMaxRedirects) {
      error = "Too many redirects";
      return false;
    }
  }
}

bool http_post(const std::u16string& host, std::uint16_t port, bool secure,
               const std::u16string& path, const std::string& body, std::string& reply,
               std::string& error, int& status, const HttpTimeouts& timeouts) {
  return http_exchange(platform_http_steps(), host, port, secure, path, body, reply, error, status,
                       timeouts);
}

bool http_post(const std::u16string& host, std::uint16_t port, bool secure,
               const std::u16string& path, const std::string& body, std::string& reply,
               std::string& error, int& status) {
  return http_post(host, port, secure, path, body, reply, error, status, kHttpTimeouts);
}

}  // namespace foo_brivanto
