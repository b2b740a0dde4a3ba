// Submission dispatch: carries out, in the background, the tracker's decision that a
// now-playing notice or a scrobble is due, and reports the outcome as one console line.
//
// Fire and forget: no queue, no retry, nothing kept. The send operations run on the main thread,
// copy what the task needs and return at once; each task runs on its own thread with its own
// ApiClient and speaks back only through log_line_later.
#pragma once

#include <string>

#include "scrobbler/track_snapshot.h"

namespace foo_brivanto {

// Everything one request needs: the service and the stored session key at the time of building.
struct ServiceConfig {
  std::string base_url;
  std::string api_key;
  std::string shared_secret;
  std::string session_key;  // empty when the user has not authorized the component
};

// Built afresh for every use, so that a session key stored or cleared a moment ago counts.
// Main thread only (it reads the settings).
ServiceConfig make_service_config();

// Without a session key: nothing is sent and nothing logged.
void send_now_playing(const TrackSnapshot& track, const ServiceConfig& config);

// Without a session key: logs "Scrobble skipped: not authorized" at once; the scrobble is lost.
void send_scrobble(TrackSnapshot track, ServiceConfig config);

enum class Submission { kNowPlaying, kScrobble };

// The line that reports a submission's outcome: "... OK: " and the track's description, or
// "... FAILED: " and the error text ("unknown error" when there is none, so that the line
// never ends in nothing).
std::string outcome_line(Submission kind, bool ok, const TrackSnapshot& track,
                         const std::string& error);

}  // namespace foo_brivanto
