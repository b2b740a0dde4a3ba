#include <string>
#include <utility>

#include "api/api_client.h"

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

bool ApiClient::update_now_playing(const std::string& session_key, const TrackInfo& track,
                                   std::string& error) const {
  return send_track_call(track_params("track.updateNowPlaying", session_key, track), error);
}

bool ApiClient::scrobble(const std::string& session_key, const TrackInfo& track,
                         std::string& error) const {
  ParamMap params = track_params("track.scrobble", session_key, track);
  params["timestamp"] = std::to_string(track.timestamp);
  return send_track_call(std::move(params), error);
}

bool ApiClient::send_track_call(ParamMap params, std::string& error) const {
  params["api_sig"] = sign(params);
  std::string reply;
  int status = 0;
  if (!call(std::move(params), reply, error, status)) {
    return false;
  }
  if (reply.find("\"error\"") != std::string::npos) {
    error = reply;
    return false;
  }
  // A gateway's error page or a wrong path carries no JSON error, but the call still failed.
  if (status != 0 && (status < 200 || status > 299)) {
    error = reply.empty() ? "HTTP " + std::to_string(status) : reply;
    return false;
  }
  return true;
}

}  // namespace foo_brivanto
