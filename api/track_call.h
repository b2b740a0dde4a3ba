// How a track call (a scrobble or a now-playing notice) ended, as far as keeping the scrobble
// for a later try is concerned.
#pragma once

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

}  // namespace foo_brivanto
