// The journal's engine: the one place where the journal's threads meet. It owns the store
// (journal_store.h) and one background worker that loads the store and sends what waits in it,
// and it is what a scrobble's own background task keeps its scrobble through.
//
// Thread contract. Every member may be called from any thread. The calls that the player's
// main thread makes (start, stop, configure, status, discard, network_back) only take a short
// lock that is never held across the disk or the network; keep and settle flush to the disk
// and belong on background threads. The worker's state lives in a shared object that the
// worker holds too: stop returns at once, and the worker ends after its current exchange,
// still writing what that exchange found.
//
// Rounds. A round sends the waiting scrobbles one request at a time, oldest first, each signed
// with the session key held at the moment it is sent. Entries that a live send owns (kept, not
// yet settled) are in flight and skipped, and so is what was kept after the round began: it
// waits for the next round. A try that fails for a curable reason ends the round.
// A round starts 5 s after start, at once after an accepted exchange (network_back, a kept or
// live scrobble accepted) and after a new session key, and otherwise on a back-off while
// anything waits: 1 minute after the first failure, doubling to at most 30, back to 1 after any
// success. With the switch off no round runs and what waits stays; whether a scrobble is kept
// is its task's business, by its copy of the switch taken at dispatch.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "api/track_call.h"
#include "api/track_info.h"
#include "journal/journal.h"
#include "journal/journal_store.h"

namespace foo_brivanto {

// The worker's time: the system's steady clock in the component, a clock that tests move.
class JournalClock {
 public:
  using time_point = std::chrono::steady_clock::time_point;
  virtual ~JournalClock() = default;
  virtual time_point now() = 0;
  // Blocks the worker until `deadline` (time_point::max(): none) or until `wake` is notified,
  // with `lock` (on the mutex that `wake` goes with) held on entry and on return. May return
  // early; the caller looks again.
  virtual void wait_until(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                          time_point deadline) = 0;
};

// The system's steady clock (engine_wiring.cpp, like send_through_api and journal_folder).
std::shared_ptr<JournalClock> system_journal_clock();

// What the engine is built from. Each function may be called from any thread but the main one.
struct JournalWiring {
  // Opens the store: null with a text in `error` when it cannot be used; what the user should
  // know of it in `notes`, one console text each.
  std::function<std::unique_ptr<JournalStore>(std::vector<std::string>& notes, std::string& error)>
      open;
  // Sends one kept scrobble with `session_key`; blocks until the exchange is over, throws
  // nothing. The error text of a scrobble refused for good is the reason the user reads.
  std::function<TrackCallOutcome(const std::string& session_key, const TrackInfo& track,
                                 std::string& error)>
      send;
  std::shared_ptr<JournalClock> clock;
  // A console line, without the component's prefix.
  std::function<void(std::string line)> report;
  // The status may have changed.
  std::function<void()> changed;
};

// The component's sender: track.scrobble through ApiClient. A refusal's error text is the
// service's message when the reply has one.
std::function<TrackCallOutcome(const std::string&, const TrackInfo&, std::string&)>
send_through_api(std::string base_url, std::string api_key, std::string shared_secret);

class JournalEngine {
 public:
  explicit JournalEngine(JournalWiring wiring);
  // Stops the worker (see stop).
  ~JournalEngine();
  JournalEngine(const JournalEngine&) = delete;
  JournalEngine& operator=(const JournalEngine&) = delete;

  // Starts the worker, which loads the store, with the switch and the session key; a start-up
  // round follows 5 s later. Nothing when the worker already runs. False when no thread could
  // be started.
  bool start(bool enabled, std::string session_key);
  // Asks the worker to end and returns at once. The store stays usable (keep, settle).
  void stop();
  // The switch or the session key changed. A new non-empty key, and the switch turned on,
  // start a round.
  void configure(bool enabled, std::string session_key);
  // An exchange with the service was accepted: a round starts, and the back-off is reset.
  void network_back();

  // A live scrobble's task keeps `track` before its first try: on return it is durable and in
  // flight (rounds leave it alone) until settle. Empty when it could not be kept (the store
  // cannot be written, which is said on the console once): the task goes on without it.
  std::optional<std::uint64_t> keep(const TrackInfo& track);
  // The live try of entry `id` ended with `outcome`: accepted or rejected, it is forgotten;
  // curable, it waits for a round. Returns the number waiting when it stays.
  std::optional<std::size_t> settle(std::uint64_t id, TrackCallOutcome outcome);

  JournalStatus status() const;
  // Empties the store, on a thread of its own.
  void discard();

  // What the engine's threads share. Two locks, taken in this order when both are held:
  // store_mutex guards the store and is held across its flushes; mutex guards the rest and is
  // never held across the disk or the network, so that the main thread's calls return at
  // once. Nothing is held while a scrobble is sent.
  struct State {
    explicit State(JournalWiring w) : wiring(std::move(w)) {}

    const JournalWiring wiring;

    std::mutex store_mutex;
    std::unique_ptr<JournalStore> store;
    bool trouble_said = false;  // "cannot be ..." said, and nothing kept since

    mutable std::mutex mutex;
    std::condition_variable wake;  // the worker waits on it
    std::uint64_t generation = 0;  // a worker of an earlier generation ends
    bool running = false;
    bool enabled = false;
    std::string session_key;
    bool round_due = false;
    JournalClock::time_point next_try = JournalClock::time_point::max();
    std::chrono::minutes backoff{1};
    std::set<std::uint64_t> in_flight;  // kept by a live send, or under way in a round
    JournalStatus status;
    std::uint64_t newest_id = 0;  // of the newest entry, published with the status; 0: none
  };

 private:
  std::shared_ptr<State> state_;
};

// The journal that the component started (journal.cpp), for the scrobbles' tasks; null before
// start_journal. Main thread.
std::shared_ptr<JournalEngine> running_journal();

// The journal's folder, "foo_brivanto" in the player's profile folder, which the player gives
// as a "file://" URL followed by the native path (or as the path alone). Empty for an empty
// profile path.
std::string journal_folder(std::string_view profile_path);

}  // namespace foo_brivanto
