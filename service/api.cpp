#include "service/api.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <vector>

#include <nlohmann/json.hpp>

#include "service/signature.h"

namespace brivanto_service {
namespace {

using Json = nlohmann::ordered_json;

constexpr int kBadRequest = 400;
constexpr int kForbidden = 403;

Reply ok_reply(const Json& body) {
  return Reply{200, body.dump()};
}

Reply missing(std::string_view name) {
  return error_reply(kBadRequest, ApiError::kMissingParameter,
                     "Missing parameter: " + std::string(name));
}

Reply invalid_parameter(std::string_view what) {
  return error_reply(kBadRequest, ApiError::kMalformedRequest,
                     "Invalid parameter: " + std::string(what));
}

// True when `text` is a number of type T written the way clients must write numbers: plain
// decimal, no leading zeros, no "+", no white space, within range.
template <typename T>
bool is_canonical_decimal(const std::string& text, T& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc{} && ptr == end && std::to_string(value) == text;
}

// The messages clients classify: an unapproved token must read as "not authorized" and
// nothing else; an unusable one as "invalid token", "expired" or "used".
Reply token_refusal(TokenState state) {
  switch (state) {
    case TokenState::kPending:
      return error_reply(kForbidden, ApiError::kTokenNotAuthorized,
                         "Token not authorized yet: visit web auth to allow this application");
    case TokenState::kExpired:
      return error_reply(kForbidden, ApiError::kTokenExpired, "Token expired: request a new one");
    case TokenState::kUsed:
      return error_reply(kForbidden, ApiError::kTokenUsed, "Token already used: request a new one");
    case TokenState::kUnknown:
    case TokenState::kApproved:
      break;
  }
  return error_reply(kForbidden, ApiError::kInvalidToken,
                     "Invalid token: this token was never issued");
}

Reply get_token(Registry& registry, const Params& /*params*/) {
  return ok_reply(Json{{"token", registry.issue_token()}});
}

Reply get_session(Registry& registry, const Params& params) {
  auto outcome = registry.open_session(params.at("token"));
  if (const auto* state = std::get_if<TokenState>(&outcome))
    return token_refusal(*state);
  return ok_reply(
      Json{{"session", {{"name", Registry::kUserName}, {"key", std::get<std::string>(outcome)}}}});
}

Reply track_call(Registry& registry, const Params& params, TrackCall call,
                 SessionKeys session_keys) {
  const std::string& session_key = params.at("sk");
  if (session_keys == SessionKeys::kAllRejected || !registry.has_session(session_key)) {
    return invalid_session_key_reply();
  }
  if (call == TrackCall::kScrobble) {
    std::int64_t timestamp = 0;
    if (!is_canonical_decimal(params.at("timestamp"), timestamp)) {
      return invalid_parameter("timestamp must be whole Unix seconds in plain decimal");
    }
  }
  if (const auto duration = params.find("duration"); duration != params.end()) {
    std::int32_t seconds = 0;
    if (!is_canonical_decimal(duration->second, seconds) || seconds <= 0) {
      return invalid_parameter("duration must be a positive whole number of seconds");
    }
  }
  registry.record(call, session_key, params);
  return ok_reply(call == TrackCall::kNowPlaying ? Json{{"nowplaying", {{"accepted", 1}}}}
                                                 : Json{{"scrobbles", {{"accepted", 1}}}});
}

struct Method {
  std::string_view name;
  bool is_signed;
  // Must be present and not empty.
  std::vector<std::string_view> required;
  // Must be present; may be empty (a track may lack an artist or a title).
  std::vector<std::string_view> present;
  Reply (*run)(Registry&, const Params&, SessionKeys);
};

const std::array kMethods{
    Method{"auth.getToken",
           false,
           {},
           {},
           [](Registry& r, const Params& p, SessionKeys) { return get_token(r, p); }},
    Method{"auth.getSession",
           true,
           {"token"},
           {},
           [](Registry& r, const Params& p, SessionKeys) { return get_session(r, p); }},
    Method{"track.updateNowPlaying",
           true,
           {"sk"},
           {"artist", "track"},
           [](Registry& r, const Params& p, SessionKeys keys) {
             return track_call(r, p, TrackCall::kNowPlaying, keys);
           }},
    Method{"track.scrobble",
           true,
           {"sk", "timestamp"},
           {"artist", "track"},
           [](Registry& r, const Params& p, SessionKeys keys) {
             return track_call(r, p, TrackCall::kScrobble, keys);
           }},
};

const std::string* find(const Params& params, std::string_view name) {
  const auto it = params.find(std::string(name));
  return it == params.end() ? nullptr : &it->second;
}

}  // namespace

Reply error_reply(int status, ApiError error, std::string_view message) {
  return Reply{status, Json{{"error", static_cast<int>(error)}, {"message", message}}.dump()};
}

Reply unavailable_reply() {
  return error_reply(503, ApiError::kServiceUnavailable, "Service temporarily unavailable");
}

Reply busy_reply() {
  return error_reply(429, ApiError::kRateLimitExceeded, "Rate limit exceeded");
}

Reply invalid_session_key_reply() {
  return error_reply(kForbidden, ApiError::kInvalidSessionKey, "Invalid session key");
}

Reply call_method(Registry& registry, const Params& params, SessionKeys session_keys) {
  const std::string* method_name = find(params, "method");
  if (method_name == nullptr || method_name->empty())
    return missing("method");
  const Method* method = nullptr;
  for (const Method& m : kMethods) {
    if (m.name == *method_name)
      method = &m;
  }
  if (method == nullptr) {
    return error_reply(kBadRequest, ApiError::kInvalidMethod, "Invalid method: " + *method_name);
  }

  const std::string* api_key = find(params, "api_key");
  if (api_key == nullptr || api_key->empty())
    return missing("api_key");
  if (*api_key != kApiKey)
    return error_reply(kForbidden, ApiError::kInvalidApiKey, "Invalid API key");

  // Without format=json the real service answers in another format, which clients cannot read.
  const std::string* format = find(params, "format");
  if (format == nullptr || format->empty())
    return missing("format");
  if (*format != "json") {
    return invalid_parameter("format must be json, the only reply format served");
  }

  for (const std::string_view name : method->required) {
    const std::string* value = find(params, name);
    if (value == nullptr || value->empty())
      return missing(name);
  }
  for (const std::string_view name : method->present) {
    if (find(params, name) == nullptr)
      return missing(name);
  }

  if (method->is_signed && !signature_matches(params, kSharedSecret)) {
    return error_reply(kForbidden, ApiError::kInvalidSignature, "Invalid method signature");
  }
  return method->run(registry, params, session_keys);
}

}  // namespace brivanto_service
