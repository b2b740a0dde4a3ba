// Submission dispatch: the background task of each notice and scrobble, and its console lines.
#include "scrobbler/submission.h"

#include <exception>
#include <new>
#include <utility>

#include "api/api_client.h"
#include "api/service_identity.h"
#include "scrobbler/console_log.h"
#include "sdk/threads.h"
#include "settings/settings.h"

namespace foo_brivanto {
namespace {

struct Lines {
  const char* sending;
  const char* ok;
  const char* failed;
};

const Lines& lines_of(Submission kind) {
  static const Lines kNowPlaying = {
      "Sending now playing: ", "Now playing OK: ", "Now playing FAILED: "};
  static const Lines kScrobble = {"Sending scrobble: ", "Scrobble OK: ", "Scrobble FAILED: "};
  return kind == Submission::kNowPlaying ? kNowPlaying : kScrobble;
}

// The task, on its own thread. Whatever happens inside becomes its one console line: an
// exception here (memory exhaustion, a malformed port in a redirect) must not end the player.
void run_submission(Submission kind, const TrackSnapshot& track, const ServiceConfig& config) {
  const Lines& lines = lines_of(kind);
  try {
    const ApiClient client(config.base_url, config.api_key, config.shared_secret);
    std::string error;
    const bool ok =
        kind == Submission::kNowPlaying
            ? client.update_now_playing(config.session_key, track.to_track_info(), error)
            : client.scrobble(config.session_key, track.to_track_info(), error);
    log_line_later(outcome_line(kind, ok, track, error));
  } catch (const std::bad_alloc&) {
    log_line_later(std::string(lines.failed) + "out of memory");
  } catch (const std::exception& e) {
    log_line_later(std::string(lines.failed) + "internal error: " + e.what());
  } catch (...) {
    log_line_later(std::string(lines.failed) + "internal error");
  }
}

void start_submission(Submission kind, TrackSnapshot track, ServiceConfig config) {
  const Lines& lines = lines_of(kind);
  log_line_later(lines.sending + track.describe());
  const bool started = run_in_thread([kind, track = std::move(track), config = std::move(config)] {
    try {
      run_submission(kind, track, config);
    } catch (...) {  // NOLINT(bugprone-empty-catch): not even a line could be queued
    }
  });
  if (!started) {
    log_line_later(std::string(lines.failed) + "could not start a background thread");
  }
}

}  // namespace

std::string outcome_line(Submission kind, bool ok, const TrackSnapshot& track,
                         const std::string& error) {
  const Lines& lines = lines_of(kind);
  if (ok) {
    return lines.ok + track.describe();
  }
  return lines.failed + (error.empty() ? std::string("unknown error") : error);
}

ServiceConfig make_service_config() {
  return ServiceConfig{std::string(service_base_url()), std::string(kApiKey),
                       std::string(kSharedSecret), session_key.get()};
}

void send_now_playing(const TrackSnapshot& track, const ServiceConfig& config) {
  if (config.session_key.empty()) {
    return;
  }
  start_submission(Submission::kNowPlaying, track, config);
}

void send_scrobble(TrackSnapshot track, ServiceConfig config) {
  if (config.session_key.empty()) {
    log_line("Scrobble skipped: not authorized");
    return;
  }
  start_submission(Submission::kScrobble, std::move(track), std::move(config));
}

}  // namespace foo_brivanto
