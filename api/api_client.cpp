// ApiClient: the call to the service's API endpoint and the four methods built on it.
#include "api/api_client.h"

#include <cstdint>
#include <utility>

#include "api/form_encoding.h"
#include "api/json_reply.h"
#include "http/http_client.h"

namespace foo_brivanto {
namespace {

ParamMap track_params(const char* method, const std::string& session_key, const TrackInfo& track) {
  ParamMap params = {
      {"method", method}, {"sk", session_key}, {"artist", track.artist}, {"track", track.title}};
  if (!track.album.empty()) {
    params["album"] = track.album;
  }
  if (track.duration > 0) {
    params["duration"] = std::to_string(track.duration);
  }
  return params;
}

}  // namespace

ApiClient::ApiClient(std::string base_url, std::string api_key, std::string shared_secret)
    : base_url_(strip_trailing_slashes(std::move(base_url))),
      api_key_(std::move(api_key)),
      shared_secret_(std::move(shared_secret)) {}

bool ApiClient::call(ParamMap params, std::string& reply, std::string& error, int& status) const {
  params["api_key"] = api_key_;
  params["format"] = "json";

  std::u16string host;
  std::u16string path;
  std::uint16_t port = 0;
  bool secure = false;
  if (!split_url(base_url_ + "/api/2.0", host, path, port, secure, error)) {
    return false;
  }
  return http_post(host, port, secure, path, form_body(params), reply, error, status);
}

bool ApiClient::call(ParamMap params, std::string& reply, std::string& error) const {
  int status = 0;
  return call(std::move(params), reply, error, status);
}

std::optional<std::string> ApiClient::get_token(std::string& error) const {
  // Unsigned: the service gives tokens to any holder of the API key.
  return call_for_field({{"method", "auth.getToken"}}, "token",
                        "token not found in response: ", error);
}

std::optional<std::string> ApiClient::get_session(const std::string& token,
                                                  std::string& error) const {
  ParamMap params = {{"method", "auth.getSession"}, {"token", token}};
  params["api_sig"] = sign(params);
  return call_for_field(params, "key", "session key not found: ", error);
}

// An empty token or key is as good as none: with it the user would be sent to approve nothing,
// or told they are authorized when they are not.
std::optional<std::string> ApiClient::call_for_field(const ParamMap& params, const char* field,
                                                     const char* missing,
                                                     std::string& error) const {
  std::string reply;
  if (!call(params, reply, error)) {
    return std::nullopt;
  }
  if (auto value = json_string_field(reply, field); value && !value->empty()) {
    return value;
  }
  if (auto message = json_error_message(reply)) {
    error = cut_reply_echo(*message);
  } else {
    error = missing + cut_reply_echo(reply);
  }
  return std::nullopt;
}

TrackCallOutcome ApiClient::update_now_playing(const std::string& session_key,
                                               const TrackInfo& track, std::string& error) const {
  return send_track_call(track_params("track.updateNowPlaying", session_key, track), error);
}

TrackCallOutcome ApiClient::scrobble(const std::string& session_key, const TrackInfo& track,
                                     std::string& error) const {
  ParamMap params = track_params("track.scrobble", session_key, track);
  params["timestamp"] = std::to_string(track.timestamp);
  return send_track_call(std::move(params), error);
}

TrackCallOutcome ApiClient::send_track_call(ParamMap params, std::string& error) const {
  params["api_sig"] = sign(params);
  std::string reply;
  int status = 0;
  if (!call(std::move(params), reply, error, status)) {
    return TrackCallOutcome::kCurable;
  }
  // A gateway's error page or a wrong path carries no JSON error, but the call still failed.
  const TrackCallOutcome outcome = classify_track_reply(status, reply);
  if (outcome != TrackCallOutcome::kAccepted) {
    error = reply.empty() ? "HTTP " + std::to_string(status) : cut_reply_echo(reply);
  }
  return outcome;
}

std::string strip_trailing_slashes(std::string url) {
  while (!url.empty() && url.back() == '/') {
    url.pop_back();
  }
  return url;
}

std::string web_auth_url(const std::string& base_url, const std::string& api_key,
                         const std::string& token) {
  return strip_trailing_slashes(base_url) + "/api/auth?api_key=" + url_encode(api_key) +
         "&token=" + url_encode(token);
}

}  // namespace foo_brivanto
