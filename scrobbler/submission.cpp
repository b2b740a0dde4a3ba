// Submission dispatch: the background task of each notice and scrobble, and its console lines.
#include "scrobbler/submission.h"

#include <cstdint>
#include <optional>
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

// One exchange with the service. Whatever happens inside becomes its outcome and error text:
// an exception here (memory exhaustion, a malformed port in a redirect) must not end the
// player, and counts as no reply.
TrackCallOutcome exchange(Submission kind, const TrackInfo& track, const ServiceConfig& config,
                          std::string& error) {
  return guarded_track_call(error, [&] {
    const ApiClient client(config.base_url, config.api_key, config.shared_secret);
    return kind == Submission::kNowPlaying
               ? client.update_now_playing(config.session_key, track, error)
               : client.scrobble(config.session_key, track, error);
  });
}

// Keeps the scrobble in the journal: on disk when this returns a value. Without one (the
// journal cannot be written, which it says itself, or memory ran out) the scrobble goes on as
// if the switch were off.
std::optional<std::uint64_t> keep(JournalEngine& journal, const TrackInfo& track) {
  try {
    return journal.keep(track);
  } catch (...) {
    return std::nullopt;
  }
}

// The try of a kept scrobble ended: the journal forgets it, or it stays. The number waiting
// when it stays; never throws.
std::optional<std::size_t> settle(JournalEngine& journal, std::uint64_t id,
                                  TrackCallOutcome outcome) {
  try {
    return journal.settle(id, outcome);
  } catch (...) {
    return std::nullopt;
  }
}

void kept_for_later(const TrackSnapshot& track, std::size_t waiting) {
  log_line_later("Scrobble kept for later: " + track.describe() + " (" + std::to_string(waiting) +
                 " waiting)");
}

// The task, on its own thread. With a journal, the scrobble is on disk before its "Sending"
// line is queued.
void run_submission(Submission kind, const TrackSnapshot& track, const ServiceConfig& config) {
  const TrackInfo info = track.to_track_info();
  std::optional<std::uint64_t> kept;
  if (config.journal && kind == Submission::kScrobble) {
    kept = keep(*config.journal, info);
    log_line_later(lines_of(kind).sending + track.describe());
  }
  std::string error;
  const TrackCallOutcome outcome = exchange(kind, info, config, error);
  // The journal is up to date by the time the outcome is read.
  const auto waiting = kept ? settle(*config.journal, *kept, outcome) : std::nullopt;
  log_line_later(outcome_line(kind, outcome == TrackCallOutcome::kAccepted, track, error));
  if (waiting) {
    kept_for_later(track, *waiting);
  }
  if (config.journal && !kept && outcome == TrackCallOutcome::kAccepted) {
    config.journal->network_back();  // (settle said so for a kept scrobble)
  }
}

void start_submission(Submission kind, TrackSnapshot track, ServiceConfig config) {
  const Lines& lines = lines_of(kind);
  std::string sending = lines.sending + track.describe();
  // A scrobble that the journal keeps is announced by its task, once it is on disk.
  const bool announced_later = config.journal && kind == Submission::kScrobble;
  if (!announced_later) {
    log_line_later(sending);
  }
  const bool started = run_in_thread([kind, track = std::move(track), config = std::move(config)] {
    try {
      run_submission(kind, track, config);
    } catch (...) {  // NOLINT(bugprone-empty-catch): not even a line could be queued
    }
  });
  if (!started) {
    if (announced_later) {
      log_line_later(std::move(sending));
    }
    log_line_later(std::string(lines.failed) + "could not start a background thread");
  }
}

// A scrobble without a session key, kept in the background until one is stored.
void keep_unauthorized(TrackSnapshot track, std::shared_ptr<JournalEngine> journal) {
  run_in_thread([track = std::move(track), journal = std::move(journal)] {
    try {
      const auto kept = keep(*journal, track.to_track_info());
      if (const auto waiting =
              kept ? settle(*journal, *kept, TrackCallOutcome::kCurable) : std::nullopt) {
        kept_for_later(track, *waiting);
      }
    } catch (...) {  // NOLINT(bugprone-empty-catch): not even a line could be queued
    }
  });
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
  const bool keep_unsent = keep_unsent_scrobbles;
  return ServiceConfig{std::string(service_base_url()), std::string(kApiKey),
                       std::string(kSharedSecret), session_key.get(),
                       keep_unsent ? running_journal() : nullptr};
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
    if (config.journal) {
      keep_unauthorized(std::move(track), std::move(config.journal));
    }
    return;
  }
  start_submission(Submission::kScrobble, std::move(track), std::move(config));
}

}  // namespace foo_brivanto
