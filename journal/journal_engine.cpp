// The journal's engine: its locks, its worker and its rounds (see journal_engine.h).
#include "journal/journal_engine.h"

#include <algorithm>
#include <utility>

#include "sdk/threads.h"

namespace foo_brivanto {
namespace {

using State = JournalEngine::State;
using time_point = JournalClock::time_point;

constexpr auto kStartUpDelay = std::chrono::seconds(5);
constexpr std::chrono::minutes kFirstBackoff{1};
constexpr std::chrono::minutes kLongestBackoff{30};

// Copies what the store holds into the status; both locks held.
void publish(State& s) {
  const auto* entries = s.store ? &s.store->entries() : nullptr;
  s.status = {entries != nullptr, entries != nullptr ? entries->size() : 0,
              entries != nullptr && !entries->empty() ? entries->front().track.timestamp : 0};
  s.newest_id = entries != nullptr && !entries->empty() ? entries->back().id : 0;
}

// Says once, until something is kept again, that the journal cannot be used. store_mutex held.
void say_trouble(State& s, const std::string& what) {
  if (!std::exchange(s.trouble_said, true)) {
    s.wiring.report("Journal: " + what + "; scrobbles are not kept until it can be");
  }
}

// Opens the store when it is not open; store_mutex held. A failure is said when `say`.
bool ensure_store(State& s, bool say) {
  if (s.store) {
    return true;
  }
  std::vector<std::string> notes;
  std::string error;
  s.store = s.wiring.open(notes, error);
  for (const std::string& note : notes) {
    s.wiring.report("Journal: " + note);
  }
  if (!s.store) {
    if (say) {
      say_trouble(s, "cannot be opened: " + error);
    }
    return false;
  }
  if (const std::size_t waiting = s.store->entries().size(); waiting > 0) {
    s.wiring.report("Journal: loaded, " + scrobble_count(waiting) + " waiting");
  }
  const std::lock_guard lock(s.mutex);
  publish(s);
  return true;
}

// Takes entry `id` out of flight after a try that ended with `outcome`: forgets it when the
// service accepted or refused it, and resets the back-off when accepted. Runs `also` under
// both locks. True when the entry is gone.
template <class Also>
bool finish_try(State& s, std::uint64_t id, TrackCallOutcome outcome, Also also) {
  const std::lock_guard store_lock(s.store_mutex);
  bool gone = false;
  if (outcome != TrackCallOutcome::kCurable) {
    std::string error;
    gone = !s.store || s.store->forget(id, error);
    if (!gone) {
      say_trouble(s, "cannot be written: " + error);
    }
  }
  const std::lock_guard lock(s.mutex);
  s.in_flight.erase(id);
  publish(s);
  if (outcome == TrackCallOutcome::kAccepted) {
    s.backoff = kFirstBackoff;
  }
  also();
  return gone;
}

// One try of a round: the oldest entry not in flight, sent and settled. False when the round
// ends: nothing left to send, a curable failure, the switch off, no session key, or a stop.
// Only entries up to `last`, the newest when the round began, are sent: every round ends.
bool try_next(State& s, std::uint64_t generation, std::uint64_t last) {
  KeptScrobble entry;
  std::string key;
  {
    const std::lock_guard store_lock(s.store_mutex);
    const std::lock_guard lock(s.mutex);
    if (s.generation != generation || !s.enabled || s.session_key.empty() || !s.store) {
      return false;
    }
    const auto& entries = s.store->entries();
    const auto next = std::ranges::find_if(entries, [&s, last](const KeptScrobble& e) {
      return e.id <= last && !s.in_flight.contains(e.id);
    });
    if (next == entries.end()) {
      return false;
    }
    entry = *next;
    key = s.session_key;
    s.in_flight.insert(entry.id);
  }
  const std::string description = describe_track(entry.track);
  s.wiring.report("Sending kept scrobble: " + description);
  std::string error;
  const TrackCallOutcome outcome = s.wiring.send(key, entry.track, error);
  if (error.empty()) {
    error = "unknown error";
  }
  std::string line = outcome == TrackCallOutcome::kAccepted
                         ? "Kept scrobble OK: " + description
                         : "Kept scrobble dropped: " + description + ": " + error;
  const bool goes_on = finish_try(s, entry.id, outcome, [&] {
    if (outcome == TrackCallOutcome::kCurable) {
      line = "Kept scrobble FAILED: " + error + " (kept, next try in " +
             std::to_string(s.backoff.count()) + " min)";
      s.next_try = s.wiring.clock->now() + s.backoff;
      s.backoff = std::min(s.backoff * 2, kLongestBackoff);
    }
  });
  s.wiring.changed();
  s.wiring.report(line);
  return goes_on;
}

// The worker: loads the store, then waits for rounds and runs them until its generation ends.
void run_worker(State& s, std::uint64_t generation) {
  std::unique_lock lock(s.mutex);
  for (bool load = true; s.generation == generation;) {
    if (load) {
      const bool say = s.enabled;
      lock.unlock();
      {
        const std::lock_guard store_lock(s.store_mutex);
        ensure_store(s, say);
      }
      s.wiring.changed();
      lock.lock();
      load = false;
      continue;  // a stop may have come meanwhile
    }
    const bool can_send = s.enabled && !s.session_key.empty() && s.status.waiting > 0;
    const time_point now = s.wiring.clock->now();
    if (can_send && (s.round_due || now >= s.next_try)) {
      s.round_due = false;
      s.next_try = time_point::max();
      const std::uint64_t last = s.newest_id;
      lock.unlock();
      while (try_next(s, generation, last)) {
      }
      lock.lock();
      continue;
    }
    if (s.status.loaded && s.status.waiting == 0) {
      s.round_due = false;
      s.next_try = time_point::max();
    } else if (can_send && s.next_try == time_point::max()) {
      s.next_try = now + s.backoff;
    }
    s.wiring.clock->wait_until(lock, s.wake, can_send ? s.next_try : time_point::max());
    load = s.enabled && !s.status.loaded;  // the switch turned on: try to open it again
  }
}

void discard_all(State& s) {
  const std::lock_guard store_lock(s.store_mutex);
  if (!ensure_store(s, true)) {
    return;
  }
  const std::size_t count = s.store->entries().size();
  std::string error;
  if (count > 0 && !s.store->forget_all(error)) {
    say_trouble(s, "cannot be written: " + error);
    return;
  }
  {
    const std::lock_guard lock(s.mutex);
    publish(s);
  }
  s.wiring.changed();
  s.wiring.report("Journal: discarded " + scrobble_count(count));
}

}  // namespace

JournalEngine::JournalEngine(JournalWiring wiring)
    : state_(std::make_shared<State>(std::move(wiring))) {}

JournalEngine::~JournalEngine() {
  stop();
}

bool JournalEngine::start(bool enabled, std::string session_key) {
  const std::lock_guard lock(state_->mutex);
  if (!state_->running) {
    state_->enabled = enabled;
    state_->session_key = std::move(session_key);
    state_->round_due = false;
    state_->next_try = state_->wiring.clock->now() + kStartUpDelay;
    // Started under the lock, which its first step waits for.
    state_->running = run_in_thread([state = state_, generation = ++state_->generation] {
      try {
        run_worker(*state, generation);
      } catch (...) {  // NOLINT(bugprone-empty-catch): memory exhausted; the worker ends
      }
    });
  }
  return state_->running;
}

void JournalEngine::stop() {
  const std::lock_guard lock(state_->mutex);
  if (std::exchange(state_->running, false)) {
    ++state_->generation;
    state_->wake.notify_all();
  }
}

void JournalEngine::configure(bool enabled, std::string session_key) {
  const std::lock_guard lock(state_->mutex);
  const bool new_key = !session_key.empty() && session_key != state_->session_key;
  const bool turned_on = enabled && !state_->enabled;
  state_->enabled = enabled;
  state_->session_key = std::move(session_key);
  state_->round_due = state_->round_due || new_key || turned_on;
  state_->wake.notify_all();
}

void JournalEngine::network_back() {
  const std::lock_guard lock(state_->mutex);
  state_->round_due = true;
  state_->backoff = kFirstBackoff;
  state_->wake.notify_all();
}

std::optional<std::uint64_t> JournalEngine::keep(const TrackInfo& track) {
  State& s = *state_;
  KeptScrobble kept;
  std::vector<KeptScrobble> dropped;
  {
    const std::lock_guard store_lock(s.store_mutex);
    std::string error;
    if (!ensure_store(s, true)) {
      return std::nullopt;
    }
    if (!s.store->keep(track, kept, dropped, error)) {
      say_trouble(s, "cannot be written: " + error);
      return std::nullopt;
    }
    s.trouble_said = false;
    const std::lock_guard lock(s.mutex);
    s.in_flight.insert(kept.id);
    publish(s);
  }
  s.wiring.changed();
  for (const KeptScrobble& entry : dropped) {
    s.wiring.report("Kept scrobble dropped: " + describe_track(entry.track) +
                    ": the journal is full");
  }
  return kept.id;
}

std::optional<std::size_t> JournalEngine::settle(std::uint64_t id, TrackCallOutcome outcome) {
  State& s = *state_;
  std::optional<std::size_t> waiting;
  finish_try(s, id, outcome, [&] {
    if (outcome == TrackCallOutcome::kAccepted) {
      s.round_due = true;  // the network is back
    } else if (outcome == TrackCallOutcome::kCurable && s.store &&
               std::ranges::binary_search(s.store->entries(), id, {}, &KeptScrobble::id)) {
      waiting = s.status.waiting;
    }
    s.wake.notify_all();
  });
  s.wiring.changed();
  return waiting;
}

JournalStatus JournalEngine::status() const {
  const std::lock_guard lock(state_->mutex);
  return state_->status;
}

void JournalEngine::discard() {
  if (!run_in_thread([state = state_] {
        try {
          discard_all(*state);
        } catch (...) {  // NOLINT(bugprone-empty-catch): memory exhausted; nothing discarded
        }
      })) {
    state_->wiring.report("Journal: cannot discard: could not start a background thread");
  }
}

}  // namespace foo_brivanto
