// The exchange's steps over WinHTTP in synchronous mode, for one exchange: every blocking call
// runs through its session (WinSession::run), under the exchange's total limit.
#pragma once

#include <cstdint>
#include <string>

#include "http/http_steps.h"
#include "http/winhttp_session_win32.h"

namespace foo_brivanto {

class WinHttpSteps final : public HttpSteps {
 public:
  // Sessions opened from these steps keep to `deadline`, which must outlive them, in place of
  // the total limit that open_session is given.
  explicit WinHttpSteps(ExchangeDeadline& deadline) : deadline_(deadline) {}

  HttpHandle open_session(const std::u16string& user_agent, const HttpTimeouts& timeouts) override;
  bool out_of_time(HttpHandle session) override;
  HttpHandle connect(HttpHandle session, const std::u16string& host, std::uint16_t port) override;
  HttpHandle open_request(HttpHandle connection, const std::u16string& verb,
                          const std::u16string& path, bool secure) override;
  bool send_request(HttpHandle handle, const std::u16string& headers,
                    const std::string& body) override;
  bool receive_response(HttpHandle handle, ReplyHead& head) override;
  BodyEnd read_body(HttpHandle handle, std::string& body) override;
  void close_handle(HttpHandle handle) override;

 private:
  ExchangeDeadline& deadline_;
};

}  // namespace foo_brivanto
