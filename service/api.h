// The service's API methods: one call, from its decoded parameters to the JSON reply.
//
// Replies are compact JSON (no white space), because clients find string fields by searching
// for `"name":"`. A successful reply never carries a string the client sent: a client treats
// any reply holding the quoted word "error" as a failure, and an echoed title could hold it.
// Thread-safe as far as the registry is.
#pragma once

#include <string>
#include <string_view>

#include "service/form.h"
#include "service/registry.h"

namespace brivanto_service {

// The one application the service knows: the foo_brivanto component.
inline constexpr std::string_view kApiKey = "5e0c7a91d3b24f86a1c09e7d2b6f4a38";
inline constexpr std::string_view kSharedSecret = "c47d19e2a8b05f3e6d912b7a0e5c8f14";
inline constexpr std::string_view kApplicationName = "foo_brivanto";

// The "error" numbers of error replies.
enum class ApiError : int {
  kInvalidMethod = 2,
  kMissingParameter = 3,
  kInvalidApiKey = 4,
  kInvalidSignature = 5,
  kInvalidSessionKey = 6,
  kInvalidToken = 7,
  kTokenExpired = 8,
  kTokenUsed = 9,
  kTokenNotAuthorized = 10,
  kMalformedRequest = 11,
  kRequestTooLarge = 12,
  // The service cannot answer now: it is down for maintenance or failed inside. Try later.
  kServiceUnavailable = 16,
  // The client sends too much too fast. Try later.
  kRateLimitExceeded = 29,
};

// An HTTP status and a JSON body.
struct Reply {
  int status = 200;
  std::string body;
};

// {"error":N,"message":"..."} with `status`.
Reply error_reply(int status, ApiError error, std::string_view message);

// The replies of a service that is down (503, error 16) or busy (429, error 29), and to a
// session key it no longer accepts (403, error 6).
Reply unavailable_reply();
Reply busy_reply();
Reply invalid_session_key_reply();

// How call_method treats session keys: as the registry knows them, or every one as invalid.
enum class SessionKeys { kChecked, kAllRejected };

// Runs one call of auth.getToken, auth.getSession, track.updateNowPlaying or track.scrobble.
// Checks, in this order: the method, the API key, "format" (json), the presence of the
// method's parameters, the signature (signed methods), then what the method itself needs
// (token state, session key, number formats). Accepted track calls are recorded with every
// parameter.
Reply call_method(Registry& registry, const Params& params,
                  SessionKeys session_keys = SessionKeys::kChecked);

}  // namespace brivanto_service
