// http_post over WinHTTP: the exchange runs on a thread of its own, and its caller waits for
// the outcome only until the total limit (see winhttp_session_win32.cpp for why).
#include <chrono>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <utility>

#include "http/http_client.h"
#include "http/http_steps.h"
#include "http/http_steps_win32.h"
#include "http/winhttp_session_win32.h"
#include "sdk/threads.h"

namespace foo_brivanto {
namespace {

// What an exchange sends, copied: a call that outlasts the caller may still be sending it.
struct Request {
  std::u16string host;
  std::u16string path;
  std::string body;
  std::uint16_t port;
  bool secure;
  HttpTimeouts timeouts;
};

// One exchange, as its caller and its thread share it: it goes with the last of them.
struct SharedExchange {
  explicit SharedExchange(Request what)
      : request(std::move(what)),
        deadline(std::chrono::steady_clock::now() +
                 std::chrono::milliseconds(request.timeouts.total_ms)) {}

  const Request request;
  ExchangeDeadline deadline;  // counted from the start of http_post
  // The outcome: written by the exchange's thread before deadline.finish(), read by the
  // caller only once deadline.wait() has seen it.
  bool ok = false;
  std::string reply;
  std::string error;
  int status = 0;
  std::exception_ptr failure;
};

// The exchange's thread.
void run_exchange(SharedExchange& exchange) {
  try {
    WinHttpSteps steps(exchange.deadline);
    const Request& r = exchange.request;
    exchange.ok = http_exchange(steps, r.host, r.port, r.secure, r.path, r.body, exchange.reply,
                                exchange.error, exchange.status, r.timeouts);
  } catch (...) {
    exchange.failure = std::current_exception();
  }
  exchange.deadline.finish();
}

}  // namespace

bool http_post(const std::u16string& host, std::uint16_t port, bool secure,
               const std::u16string& path, const std::string& body, std::string& reply,
               std::string& error, int& status, const HttpTimeouts& timeouts) {
  const auto exchange =
      std::make_shared<SharedExchange>(Request{host, path, body, port, secure, timeouts});
  if (!run_in_thread([exchange] { run_exchange(*exchange); })) {
    error = "WinHttpOpen failed";
    return false;
  }
  if (!exchange->deadline.wait()) {
    error = out_of_time_error(timeouts);
    return false;
  }
  if (exchange->failure) {
    std::rethrow_exception(exchange->failure);
  }
  if (!exchange->ok) {
    error = std::move(exchange->error);
    return false;
  }
  reply = std::move(exchange->reply);
  status = exchange->status;
  return true;
}

}  // namespace foo_brivanto
