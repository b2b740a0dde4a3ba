// ExchangeDeadline: the total limit of one exchange over WinHTTP, and the session that reports
// its calls to it.
//
// WinHTTP's own time-outs restart with every byte, so a server that drips bytes holds a
// synchronous call for ever. On Windows such a call ends when its request handle is closed from
// another thread; Wine's WinHTTP ignores that close and goes on until the server stops. So the
// outcome never waits for the call: the exchange runs on a thread of its own, and the caller
// waits for its outcome only until the limit, then closes the request of the call under way and
// returns. The exchange's thread refuses every call after the limit, and once its last call
// returns it closes what it still holds and ends; its outcome goes to nobody.
//
// Closing a handle before the call has taken hold of it would hand the call a closed handle
// (whose value WinHTTP may already have given to another exchange). So each call is announced
// (begin_call), the status callback that WinHTTP makes on the calling thread from inside the
// call shows that it holds the handle (note_inside), and only such a call is closed at the
// limit. A call that the limit catches before that ends by itself: at its per-wait limit, or
// when the server stops. Every handle is closed exactly once: by the caller or by its owner.
#include "http/winhttp_session_win32.h"

#include <utility>

namespace foo_brivanto {

WinRequest::~WinRequest() {
  session.deadline().close(*this);
}

bool ExchangeDeadline::begin_call(WinRequest& request) {
  const std::lock_guard lock(mutex_);
  expired_ = expired_ || std::chrono::steady_clock::now() >= at_;
  if (expired_ || request.closed) {
    return false;
  }
  in_call_ = &request;
  return true;
}

void ExchangeDeadline::end_call() {
  const std::lock_guard lock(mutex_);
  in_call_ = nullptr;
  inside_ = false;
}

void ExchangeDeadline::note_inside(const WinRequest& request) {
  const std::lock_guard lock(mutex_);
  inside_ = inside_ || in_call_ == &request;
}

// Waits for a close of the caller's to end, so that a request is closed before its connection.
void ExchangeDeadline::close(WinRequest& request) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !closing_; });
  if (!std::exchange(request.closed, true)) {
    lock.unlock();
    WinHttpCloseHandle(request.handle);
  }
}

bool ExchangeDeadline::out_of_time() {
  const std::lock_guard lock(mutex_);
  return expired_ || std::chrono::steady_clock::now() >= at_;
}

void ExchangeDeadline::finish() {
  {
    const std::lock_guard lock(mutex_);
    finished_ = true;
  }
  changed_.notify_all();
}

bool ExchangeDeadline::wait() {
  std::unique_lock lock(mutex_);
  if (changed_.wait_until(lock, at_, [this] { return finished_; })) {
    return true;
  }
  expired_ = true;
  if (in_call_ == nullptr || !inside_ || in_call_->closed) {
    return false;
  }
  in_call_->closed = true;
  closing_ = true;
  const HINTERNET request = in_call_->handle;
  // Closed without the lock: WinHTTP may wait for a status callback under way, which takes it.
  // The request stays open until then: its owner waits for closing_ before it goes.
  lock.unlock();
  WinHttpCloseHandle(request);
  lock.lock();
  closing_ = false;
  changed_.notify_all();
  return false;
}

WinSession::WinSession(HINTERNET handle, ExchangeDeadline& deadline)
    : handle_(handle), owner_(std::this_thread::get_id()), deadline_(deadline) {
  // Inherited by every request of the session: the notices that a call is under way. The
  // request is the context of its notices (see the steps' send_request).
  WinHttpSetStatusCallback(
      handle_, &WinSession::on_status,
      WINHTTP_CALLBACK_FLAG_RESOLVE_NAME | WINHTTP_CALLBACK_FLAG_CONNECT_TO_SERVER |
          WINHTTP_CALLBACK_FLAG_SEND_REQUEST | WINHTTP_CALLBACK_FLAG_RECEIVE_RESPONSE,
      0);
}

void CALLBACK WinSession::on_status(HINTERNET /*handle*/, DWORD_PTR context, DWORD /*status*/,
                                    LPVOID /*info*/, DWORD /*length*/) {
  // The request travels as the context its call was given.
  auto* request = reinterpret_cast<WinRequest*>(context);  // NOLINT(performance-no-int-to-ptr)
  // Only a notice on the exchange's own thread comes from inside its call.
  if (request == nullptr || std::this_thread::get_id() != request->session.owner_) {
    return;
  }
  request->session.deadline_.note_inside(*request);
}

}  // namespace foo_brivanto
