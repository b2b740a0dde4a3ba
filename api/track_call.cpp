// The rule that tells a cured-later failure of a track call from a refusal for good.
#include "api/track_call.h"

#include "api/json_reply.h"

namespace foo_brivanto {
namespace {

constexpr int kInvalidSessionKey = 6;
constexpr int kServiceUnavailable = 16;
constexpr int kRateLimitExceeded = 29;

}  // namespace

TrackCallOutcome classify_track_reply(int status, std::string_view reply) {
  if (const auto code = json_integer_field(reply, "error")) {
    const bool curable =
        *code == kInvalidSessionKey || *code == kServiceUnavailable || *code == kRateLimitExceeded;
    return curable ? TrackCallOutcome::kCurable : TrackCallOutcome::kRejected;
  }
  // A gateway's error page or a wrong path: not the service's verdict on the scrobble.
  if (status != 0 && (status < 200 || status > 299)) {
    return TrackCallOutcome::kCurable;
  }
  return reports_error(reply) ? TrackCallOutcome::kRejected : TrackCallOutcome::kAccepted;
}

}  // namespace foo_brivanto
