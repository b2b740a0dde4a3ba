// The exchange's steps over WinHTTP, in synchronous mode. Every handle is a WinHTTP handle.
#include <windows.h>
#include <winhttp.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "http/http_steps.h"

namespace foo_brivanto {
namespace {

// char16_t and wchar_t are both UTF-16 code units on Windows, but distinct types.
std::wstring to_wide(const std::u16string& text) {
  return {text.begin(), text.end()};
}

HINTERNET internet(HttpHandle handle) {
  return static_cast<HINTERNET>(handle);
}

void set_timeout(HINTERNET session, DWORD option, int milliseconds) {
  DWORD value = milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0;
  WinHttpSetOption(session, option, &value, sizeof(value));
}

class WinHttpSteps final : public HttpSteps {
 public:
  HttpHandle open_session(const std::u16string& user_agent) override {
    return WinHttpOpen(to_wide(user_agent).c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                       WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  }

  void set_timeouts(HttpHandle session, const HttpTimeouts& timeouts) override {
    set_timeout(internet(session), WINHTTP_OPTION_CONNECT_TIMEOUT, timeouts.connect_ms);
    set_timeout(internet(session), WINHTTP_OPTION_SEND_TIMEOUT, timeouts.send_ms);
    set_timeout(internet(session), WINHTTP_OPTION_RECEIVE_TIMEOUT, timeouts.receive_ms);
    // The wait for the reply's headers has a limit of its own (90 s by default), and some
    // WinHTTP implementations (Wine's) apply only that one there: the receive limit must hold
    // for that wait too.
    set_timeout(internet(session), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, timeouts.receive_ms);
  }

  HttpHandle connect(HttpHandle session, const std::u16string& host, std::uint16_t port) override {
    return WinHttpConnect(internet(session), to_wide(host).c_str(), port, 0);
  }

  HttpHandle open_request(HttpHandle connection, const std::u16string& verb,
                          const std::u16string& path, bool secure) override {
    HINTERNET request = WinHttpOpenRequest(
        internet(connection), to_wide(verb).c_str(), to_wide(path).c_str(), nullptr,
        WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, secure ? WINHTTP_FLAG_SECURE : 0);
    if (request == nullptr) {
      return nullptr;
    }
    // Every 3xx reply must reach the exchange's own loop: left to itself WinHTTP follows
    // redirects silently, turning a redirected POST into a GET without its body and ignoring
    // the exchange's redirect limit.
    DWORD disable = WINHTTP_DISABLE_REDIRECTS;
    if (!WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof(disable))) {
      WinHttpCloseHandle(request);
      return nullptr;
    }
    return request;
  }

  bool send_request(HttpHandle request, const std::u16string& headers,
                    const std::string& body) override {
    if (body.size() > std::numeric_limits<DWORD>::max()) {
      return false;
    }
    const std::wstring wide_headers = to_wide(headers);
    const auto length = static_cast<DWORD>(body.size());
    // WinHttpSendRequest does not write to the optional data; the cast only meets its type.
    void* data = body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(body.data());
    return WinHttpSendRequest(internet(request), wide_headers.c_str(),
                              static_cast<DWORD>(wide_headers.size()), data, length, length,
                              0) != FALSE;
  }

  bool receive_response(HttpHandle request) override {
    return WinHttpReceiveResponse(internet(request), nullptr) != FALSE;
  }

  bool query_status(HttpHandle request, std::uint32_t& status) override {
    DWORD code = 0;
    DWORD size = sizeof(code);
    if (!WinHttpQueryHeaders(internet(request),
                             WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &code, &size, WINHTTP_NO_HEADER_INDEX)) {
      return false;
    }
    status = code;
    return true;
  }

  bool query_location(HttpHandle request, std::u16string& location) override {
    DWORD size = 0;
    if (WinHttpQueryHeaders(internet(request), WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX,
                            WINHTTP_NO_OUTPUT_BUFFER, &size, WINHTTP_NO_HEADER_INDEX) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
      return false;
    }
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1);
    size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (!WinHttpQueryHeaders(internet(request), WINHTTP_QUERY_LOCATION,
                             WINHTTP_HEADER_NAME_BY_INDEX, buffer.data(), &size,
                             WINHTTP_NO_HEADER_INDEX)) {
      return false;
    }
    const std::size_t units = std::min<std::size_t>(size / sizeof(wchar_t), buffer.size());
    location.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(units));
    return true;
  }

  bool query_data_available(HttpHandle request, std::size_t& available) override {
    DWORD bytes = 0;
    if (!WinHttpQueryDataAvailable(internet(request), &bytes)) {
      return false;
    }
    available = bytes;
    return true;
  }

  bool read_data(HttpHandle request, std::span<char> buffer, std::size_t& read) override {
    const auto size =
        static_cast<DWORD>(std::min<std::size_t>(buffer.size(), std::numeric_limits<DWORD>::max()));
    DWORD bytes = 0;
    if (!WinHttpReadData(internet(request), buffer.data(), size, &bytes)) {
      return false;
    }
    read = bytes;
    return true;
  }

  void close_handle(HttpHandle handle) override { WinHttpCloseHandle(internet(handle)); }
};

}  // namespace

HttpSteps& platform_http_steps() {
  static WinHttpSteps steps;
  return steps;
}

}  // namespace foo_brivanto
