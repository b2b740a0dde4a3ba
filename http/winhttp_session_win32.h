// The handles of the WinHTTP steps, and the watchdog that ends a session's exchange at its
// total limit (see winhttp_session_win32.cpp).
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "http/http_client.h"

namespace foo_brivanto {

// Every handle the WinHTTP steps give out is one of these; close_handle deletes it.
struct WinHandle {
  WinHandle() = default;
  virtual ~WinHandle() = default;
  WinHandle(const WinHandle&) = delete;
  WinHandle& operator=(const WinHandle&) = delete;
};

class WinSession;

struct WinConnection final : WinHandle {
  WinConnection(WinSession& owner, HINTERNET connection) : session(owner), handle(connection) {}
  ~WinConnection() override { WinHttpCloseHandle(handle); }
  WinSession& session;
  HINTERNET handle;
};

// Closes its WinHTTP request unless the watchdog did.
struct WinRequest final : WinHandle {
  WinRequest(WinSession& owner, HINTERNET request) : session(owner), handle(request) {}
  ~WinRequest() override;
  WinSession& session;
  HINTERNET handle;
  bool closed = false;  // guarded by the session's mutex
};

// A WinHTTP session, and its watchdog: a thread that lives as long as the session and, once
// the total limit has run out, refuses new calls and ends the call under way.
class WinSession final : public WinHandle {
 public:
  // Takes `handle` over, and has its requests report to the watchdog.
  WinSession(HINTERNET handle, const HttpTimeouts& timeouts);
  ~WinSession() override;  // stops the watchdog, then closes the session

  HINTERNET handle() const { return handle_; }
  bool out_of_time();

  // Runs `call` on the request's WinHTTP handle, unless the total limit has run out.
  template <typename Call>
  bool run(WinRequest& request, Call call) {
    if (!begin_call(request)) {
      return false;
    }
    // However the call ends, the watchdog must no longer see it under way.
    const struct Ending {
      WinSession& session;
      ~Ending() { session.end_call(); }
    } ending{*this};
    return call(request.handle);
  }

  void close(WinRequest& request);

 private:
  bool begin_call(WinRequest& request);
  void end_call();
  static void CALLBACK on_status(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                                 DWORD length);
  void watch();

  const HINTERNET handle_;
  const std::thread::id owner_;  // the thread of the exchange
  const std::chrono::steady_clock::time_point deadline_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool done_ = false;              // the exchange is over
  bool expired_ = false;           // the total limit has run out
  WinRequest* in_call_ = nullptr;  // the request whose call is under way
  bool inside_ = false;            // ... and WinHTTP has reported from inside that call
  bool closing_ = false;           // the watchdog is closing that request
  std::thread watchdog_;           // last: it starts once everything it uses is ready
};

}  // namespace foo_brivanto
