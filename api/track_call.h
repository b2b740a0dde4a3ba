// How a track call (a scrobble or a now-playing notice) ended, as far as keeping the scrobble
// for a later try is concerned.
#pragma once

#include <exception>
#include <new>
#include <string>
#include <string_view>

namespace foo_brivanto {

enum class TrackCallOutcome {
  // The service took it.
  kAccepted,
  // A later try may succeed: no reply at all (connecting, sending, receiving, a redirect, the
  // time limit, the size cap), a reply whose HTTP status is outside 200-299 and that carries
  // no error code of the service, or the service's error 6 (invalid session key: another may
  // be stored), 16 (temporarily unavailable) or 29 (rate limit exceeded: busy). The caller
  // also counts a scrobble that has no session key to go with it here.
  kCurable,
  // The service refused it for what it is (any other reply holding "error"): sending it again
  // would fail again.
  kRejected,
};

// The outcome of a track call whose reply arrived with HTTP status `status` (0 when unknown)
// and body `reply`. The service's error code, when the reply has one, decides over the status:
// the service answers its errors with 4xx and 5xx statuses.
TrackCallOutcome classify_track_reply(int status, std::string_view reply);

// Runs `call` (returning a TrackCallOutcome, with `error` for its text) so that nothing it
// throws, memory exhaustion included, leaves the thread that sends: an exception becomes an
// error text and counts as no reply.
template <class Call>
TrackCallOutcome guarded_track_call(std::string& error, Call&& call) noexcept {
  try {
    return call();
  } catch (const std::bad_alloc&) {
    error = "out of memory";
  } catch (const std::exception& e) {
    error = std::string("internal error: ") + e.what();
  } catch (...) {
    error = "internal error";
  }
  return TrackCallOutcome::kCurable;
}

}  // namespace foo_brivanto
