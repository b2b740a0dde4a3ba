// ApiClient: the component's only way of talking to the brivanto service.
//
// A plain value holding the service's base URL, the API key and the shared secret. Each
// operation builds a parameter map, signs it where the method needs it, posts it as a form to
// base URL + "/api/2.0" and judges the JSON reply. Operations block until the exchange is over;
// they report failure through their result and an error string, which is written only on
// failure. A reply quoted in an error text is cut to its first 1,000 bytes (cut_reply_echo),
// since the text ends up in a console line or a message box. Build one client per operation,
// on the thread that uses it.
#pragma once

#include <optional>
#include <string>

#include "api/param_map.h"
#include "api/track_call.h"
#include "api/track_info.h"

namespace foo_brivanto {

class ApiClient {
 public:
  // Trailing slashes of `base_url` are dropped.
  ApiClient(std::string base_url, std::string api_key, std::string shared_secret);

  // The "api_sig" of `params`: MD5 over every name and value in map order (the API key always
  // included, "format", "callback" and "api_sig" left out), then the shared secret. Empty when
  // the digest fails.
  std::string sign(const ParamMap& params) const;

  // Posts `params` with "api_key" and "format"="json" set. True when a final reply arrived: its
  // body is in `reply` and its HTTP status in `status` (0 if unknown), whatever that status is.
  // False with a transport text in `error` when no reply arrived.
  bool call(ParamMap params, std::string& reply, std::string& error, int& status) const;
  bool call(ParamMap params, std::string& reply, std::string& error) const;

  // auth.getToken (unsigned): a non-empty request token, or empty with the service's message
  // or "token not found in response: " and the reply in `error`.
  std::optional<std::string> get_token(std::string& error) const;
  // auth.getSession: the non-empty session key for an approved token, or empty with the
  // service's message or "session key not found: " and the reply in `error`.
  std::optional<std::string> get_session(const std::string& token, std::string& error) const;

  // track.updateNowPlaying and track.scrobble for `track` on behalf of `session_key`. kAccepted
  // when the service accepted the call; otherwise the outcome (api/track_call.h) with the
  // transport text, the reply (when it reports an error or comes with a non-2xx status) or
  // "HTTP " and the status (empty reply) in `error`.
  TrackCallOutcome update_now_playing(const std::string& session_key, const TrackInfo& track,
                                      std::string& error) const;
  TrackCallOutcome scrobble(const std::string& session_key, const TrackInfo& track,
                            std::string& error) const;

 private:
  std::optional<std::string> call_for_field(const ParamMap& params, const char* field,
                                            const char* missing, std::string& error) const;
  TrackCallOutcome send_track_call(ParamMap params, std::string& error) const;

  std::string base_url_;
  std::string api_key_;
  std::string shared_secret_;
};

// `url` without any trailing "/".
std::string strip_trailing_slashes(std::string url);

// The service's web page on which the user approves `token` for this application.
std::string web_auth_url(const std::string& base_url, const std::string& api_key,
                         const std::string& token);

}  // namespace foo_brivanto
