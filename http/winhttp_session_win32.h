// The handles of the WinHTTP steps, and the total limit of one exchange, which the caller of
// http_post and the exchange's own thread share (see winhttp_session_win32.cpp).
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

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

// Closes its WinHTTP request unless the caller did at the limit.
struct WinRequest final : WinHandle {
  WinRequest(WinSession& owner, HINTERNET request) : session(owner), handle(request) {}
  ~WinRequest() override;
  WinSession& session;
  HINTERNET handle;
  bool closed = false;  // guarded by the deadline's mutex
};

// The total limit of one exchange. The exchange's thread makes every blocking call through it
// (begin_call, end_call) and says when its outcome is ready (finish); the caller waits for that
// outcome until the limit (wait). Shared by both threads, and held by each for as long as it
// uses it.
class ExchangeDeadline {
 public:
  explicit ExchangeDeadline(std::chrono::steady_clock::time_point at) : at_(at) {}

  // The exchange's thread. A call on `request` may start: false once the limit has run out.
  bool begin_call(WinRequest& request);
  void end_call();
  // WinHTTP has reported from inside the call under way on `request`: it holds the handle now.
  void note_inside(const WinRequest& request);
  // Closes the request's WinHTTP handle, unless the caller has closed it.
  void close(WinRequest& request);
  // Whether the limit has run out.
  bool out_of_time();
  // The exchange's outcome is ready; the thread touches nothing shared after this.
  void finish();

  // The caller. True once the exchange has finished before the limit. At the limit: refuses
  // every later call, ends the call under way by closing its request if WinHTTP holds it, and
  // returns false at once, leaving the exchange's thread to end when that call returns.
  bool wait();

 private:
  const std::chrono::steady_clock::time_point at_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool finished_ = false;
  bool expired_ = false;           // the limit has run out
  WinRequest* in_call_ = nullptr;  // the request whose call is under way
  bool inside_ = false;            // ... and WinHTTP has reported from inside that call
  bool closing_ = false;           // the caller is closing that request
};

// A WinHTTP session of one exchange, opened and used by the exchange's thread.
class WinSession final : public WinHandle {
 public:
  // Takes `handle` over, and has its requests report to `deadline`, which must outlive it.
  WinSession(HINTERNET handle, ExchangeDeadline& deadline);
  ~WinSession() override { WinHttpCloseHandle(handle_); }

  HINTERNET handle() const { return handle_; }
  ExchangeDeadline& deadline() { return deadline_; }

  // Runs `call` on the request's WinHTTP handle, unless the total limit has run out.
  template <typename Call>
  bool run(WinRequest& request, Call call) {
    if (!deadline_.begin_call(request)) {
      return false;
    }
    // However the call ends, the caller must no longer see it under way.
    const struct Ending {
      ExchangeDeadline& deadline;
      ~Ending() { deadline.end_call(); }
    } ending{deadline_};
    return call(request.handle);
  }

 private:
  static void CALLBACK on_status(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                                 DWORD length);

  const HINTERNET handle_;
  const std::thread::id owner_;  // the exchange's thread
  ExchangeDeadline& deadline_;
};

}  // namespace foo_brivanto
