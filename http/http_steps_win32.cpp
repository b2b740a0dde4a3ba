// The exchange's steps over WinHTTP in synchronous mode. Every blocking call runs through the
// session (WinSession::run), which refuses it once the exchange's total limit has run out.
#include "http/http_steps_win32.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace foo_brivanto {
namespace {

// char16_t and wchar_t are both UTF-16 code units on Windows, but distinct types.
std::wstring to_wide(const std::u16string& text) {
  return {text.begin(), text.end()};
}

template <typename T>
T& as(HttpHandle handle) {
  return dynamic_cast<T&>(*static_cast<WinHandle*>(handle));
}

void set_timeout(HINTERNET session, DWORD option, int milliseconds) {
  DWORD value = milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0;
  WinHttpSetOption(session, option, &value, sizeof(value));
}

bool query_status(HINTERNET request, std::uint32_t& status) {
  DWORD code = 0;
  DWORD size = sizeof(code);
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &code, &size, WINHTTP_NO_HEADER_INDEX)) {
    return false;
  }
  status = code;
  return true;
}

bool query_location(HINTERNET request, std::u16string& location) {
  DWORD size = 0;
  if (WinHttpQueryHeaders(request, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX,
                          WINHTTP_NO_OUTPUT_BUFFER, &size, WINHTTP_NO_HEADER_INDEX) ||
      GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
    return false;
  }
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1);
  size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX,
                           buffer.data(), &size, WINHTTP_NO_HEADER_INDEX)) {
    return false;
  }
  const std::size_t units = std::min<std::size_t>(size / sizeof(wchar_t), buffer.size());
  location.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(units));
  return true;
}

}  // namespace

HttpHandle WinHttpSteps::open_session(const std::u16string& user_agent,
                                      const HttpTimeouts& timeouts) {
  HINTERNET session = WinHttpOpen(to_wide(user_agent).c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                  WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  if (session == nullptr) {
    return nullptr;
  }
  set_timeout(session, WINHTTP_OPTION_CONNECT_TIMEOUT, timeouts.connect_ms);
  set_timeout(session, WINHTTP_OPTION_SEND_TIMEOUT, timeouts.send_ms);
  set_timeout(session, WINHTTP_OPTION_RECEIVE_TIMEOUT, timeouts.receive_ms);
  // The wait for the reply's head has a limit of its own (90 s by default), and some WinHTTP
  // implementations (Wine's) apply only that one there: the receive limit must hold for that
  // wait too.
  set_timeout(session, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, timeouts.receive_ms);
  return static_cast<WinHandle*>(new WinSession(session, deadline_));
}

bool WinHttpSteps::out_of_time(HttpHandle session) {
  return as<WinSession>(session).deadline().out_of_time();
}

HttpHandle WinHttpSteps::connect(HttpHandle session, const std::u16string& host,
                                 std::uint16_t port) {
  auto& owner = as<WinSession>(session);
  HINTERNET connection = WinHttpConnect(owner.handle(), to_wide(host).c_str(), port, 0);
  return connection == nullptr ? nullptr
                               : static_cast<WinHandle*>(new WinConnection(owner, connection));
}

HttpHandle WinHttpSteps::open_request(HttpHandle connection, const std::u16string& verb,
                                      const std::u16string& path, bool secure) {
  auto& owner = as<WinConnection>(connection);
  HINTERNET request = WinHttpOpenRequest(owner.handle, to_wide(verb).c_str(), to_wide(path).c_str(),
                                         nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                         secure ? WINHTTP_FLAG_SECURE : 0);
  // Every 3xx reply must reach the exchange's own loop: left to itself WinHTTP follows
  // redirects silently, turning a redirected POST into a GET without its body and ignoring
  // the exchange's redirect limit.
  DWORD disable = WINHTTP_DISABLE_REDIRECTS;
  if (request == nullptr ||
      !WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof(disable))) {
    WinHttpCloseHandle(request);
    return nullptr;
  }
  return static_cast<WinHandle*>(new WinRequest(owner.session, request));
}

bool WinHttpSteps::send_request(HttpHandle handle, const std::u16string& headers,
                                const std::string& body) {
  auto& request = as<WinRequest>(handle);
  if (body.size() > std::numeric_limits<DWORD>::max()) {
    return false;
  }
  const std::wstring wide_headers = to_wide(headers);
  const auto length = static_cast<DWORD>(body.size());
  // WinHttpSendRequest does not write to the optional data; the cast only meets its type.
  void* data = body.empty() ? WINHTTP_NO_REQUEST_DATA
                            : const_cast<char*>(body.data());  // NOLINT(*-const-cast)
  // The request becomes the context of its status callbacks.
  const auto context = reinterpret_cast<DWORD_PTR>(&request);
  return request.session.run(request, [&](HINTERNET h) {
    return WinHttpSendRequest(h, wide_headers.c_str(), static_cast<DWORD>(wide_headers.size()),
                              data, length, length, context) != FALSE;
  });
}

bool WinHttpSteps::receive_response(HttpHandle handle, ReplyHead& head) {
  auto& request = as<WinRequest>(handle);
  WinSession& session = request.session;
  if (!session.run(request, [](HINTERNET h) { return WinHttpReceiveResponse(h, nullptr); })) {
    return false;
  }
  std::uint32_t status = 0;
  if (session.run(request, [&](HINTERNET h) { return query_status(h, status); })) {
    head.status = status;
  }
  std::u16string location;
  if (session.run(request, [&](HINTERNET h) { return query_location(h, location); })) {
    head.location = std::move(location);
  }
  return true;
}

BodyEnd WinHttpSteps::read_body(HttpHandle handle, std::string& body) {
  auto& request = as<WinRequest>(handle);
  for (;;) {
    DWORD available = 0;
    if (!request.session.run(
            request, [&](HINTERNET h) { return WinHttpQueryDataAvailable(h, &available); })) {
      return BodyEnd::kBrokenOff;
    }
    if (available == 0) {
      return BodyEnd::kComplete;
    }
    // Bytes announced are bytes that exist: the body is too large before they are read.
    if (available > kMaxReplyBytes - body.size()) {
      return BodyEnd::kTooLarge;
    }
    const std::size_t before = body.size();
    body.resize(before + available);
    DWORD read = 0;
    const bool ok = request.session.run(request, [&](HINTERNET h) {
      return WinHttpReadData(h, body.data() + before, available, &read) != FALSE;
    });
    body.resize(before + (ok ? read : 0));
    if (!ok) {
      return BodyEnd::kBrokenOff;
    }
  }
}

void WinHttpSteps::close_handle(HttpHandle handle) {
  delete static_cast<WinHandle*>(handle);
}

}  // namespace foo_brivanto
