// Submission dispatch: carries out, in the background, the tracker's decision that a
// now-playing notice or a scrobble is due, and reports the outcome as one console line.
//
// Fire and forget: no queue, no retry. The send operations run on the main thread, copy what
// the task needs and return at once; each task runs on its own thread with its own ApiClient
// and speaks back only through log_line_later. With the switch keep_unsent_scrobbles on, a
// scrobble's task first keeps the scrobble in the journal (journal/), which keeps it for a
// later try when this one fails for a curable reason; with the switch off nothing is kept.
#pragma once

#include <memory>
#include <string>

#include "journal/journal_engine.h"
#include "scrobbler/track_snapshot.h"

namespace foo_brivanto {

// Everything one request needs: the service, the stored session key and the journal at the
// time of building.
struct ServiceConfig {
  std::string base_url;
  std::string api_key;
  std::string shared_secret;
  std::string session_key;  // empty when the user has not authorized the component
  // The journal that keeps the scrobble until the service has it; null with the switch off.
  // An accepted exchange tells it that the network is back.
  std::shared_ptr<JournalEngine> journal;
};

// Built afresh for every use, so that a session key stored or cleared a moment ago counts.
// Main thread only (it reads the settings).
ServiceConfig make_service_config();

// Without a session key: nothing is sent and nothing logged.
void send_now_playing(const TrackSnapshot& track, const ServiceConfig& config);

// Without a session key: logs "Scrobble skipped: not authorized" at once; the scrobble is lost,
// or kept in the background when there is a journal.
void send_scrobble(TrackSnapshot track, ServiceConfig config);

enum class Submission { kNowPlaying, kScrobble };

// The line that reports a submission's outcome: "... OK: " and the track's description, or
// "... FAILED: " and the error text ("unknown error" when there is none, so that the line
// never ends in nothing).
std::string outcome_line(Submission kind, bool ok, const TrackSnapshot& track,
                         const std::string& error);

}  // namespace foo_brivanto
