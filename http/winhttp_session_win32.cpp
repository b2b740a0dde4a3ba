// WinSession: a WinHTTP session whose watchdog ends the exchange at its total limit.
//
// WinHTTP's own time-outs restart with every byte, so a server that drips bytes holds a
// synchronous call for ever. Such a call ends only when its request handle is closed from
// another thread, and closing the handle before the call has taken hold of it would hand the
// call a closed handle. So each call is announced to the session (run), the status callback
// that WinHTTP makes on the calling thread from inside the call shows that the call is under
// way, and only then does the watchdog close the request. Once the limit has run out no new
// call starts, and every handle is closed exactly once: by the watchdog or by its owner.
#include "http/winhttp_session_win32.h"

#include <utility>

namespace foo_brivanto {

WinRequest::~WinRequest() {
  session.close(*this);
}

WinSession::WinSession(HINTERNET handle, const HttpTimeouts& timeouts)
    : handle_(handle),
      owner_(std::this_thread::get_id()),
      deadline_(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeouts.total_ms)),
      watchdog_([this] { watch(); }) {
  // Inherited by every request of the session: the notices that a call is under way. The
  // request is the context of its notices (see the steps' send_request).
  WinHttpSetStatusCallback(
      handle_, &WinSession::on_status,
      WINHTTP_CALLBACK_FLAG_RESOLVE_NAME | WINHTTP_CALLBACK_FLAG_CONNECT_TO_SERVER |
          WINHTTP_CALLBACK_FLAG_SEND_REQUEST | WINHTTP_CALLBACK_FLAG_RECEIVE_RESPONSE,
      0);
}

WinSession::~WinSession() {
  {
    const std::lock_guard lock(mutex_);
    done_ = true;
  }
  changed_.notify_all();
  watchdog_.join();
  WinHttpCloseHandle(handle_);
}

bool WinSession::out_of_time() {
  const std::lock_guard lock(mutex_);
  return expired_;
}

bool WinSession::begin_call(WinRequest& request) {
  const std::lock_guard lock(mutex_);
  if (expired_ || request.closed) {
    return false;
  }
  in_call_ = &request;
  return true;
}

void WinSession::end_call() {
  const std::lock_guard lock(mutex_);
  in_call_ = nullptr;
  inside_ = false;
}

// Waits for a close of the watchdog's to end, so that a request is closed before its
// connection.
void WinSession::close(WinRequest& request) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !closing_; });
  if (!std::exchange(request.closed, true)) {
    lock.unlock();
    WinHttpCloseHandle(request.handle);
  }
}

void CALLBACK WinSession::on_status(HINTERNET /*handle*/, DWORD_PTR context, DWORD /*status*/,
                                    LPVOID /*info*/, DWORD /*length*/) {
  // The request travels as the context its call was given.
  auto* request = reinterpret_cast<WinRequest*>(context);  // NOLINT(performance-no-int-to-ptr)
  // Only a notice on the exchange's own thread comes from inside its call.
  if (request == nullptr || std::this_thread::get_id() != request->session.owner_) {
    return;
  }
  WinSession& session = request->session;
  const std::lock_guard lock(session.mutex_);
  if (session.in_call_ == request) {
    session.inside_ = true;
    session.changed_.notify_all();
  }
}

void WinSession::watch() {
  std::unique_lock lock(mutex_);
  if (changed_.wait_until(lock, deadline_, [this] { return done_; })) {
    return;
  }
  expired_ = true;
  changed_.wait(lock, [this] { return done_ || inside_; });
  if (done_) {
    return;
  }
  in_call_->closed = true;
  closing_ = true;
  const HINTERNET request = in_call_->handle;
  // Closed without the lock: WinHTTP may wait for a status callback under way, which takes it.
  lock.unlock();
  WinHttpCloseHandle(request);
  lock.lock();
  closing_ = false;
  changed_.notify_all();
}

}  // namespace foo_brivanto
