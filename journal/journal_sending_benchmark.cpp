// Sending to the stand-in service over loopback: 1,000 kept scrobbles in one round of the
// journal's engine, against 1,000 live scrobbles sent one after another the way the tracker
// sends them (a task each, its outcome line back on the main thread before the next). The
// kept ones should take at most 1.3 times as long. Each iteration sends 1,000 scrobbles.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <string>

#include "api/service_identity.h"
#include "journal/journal_engine.h"
#include "scrobbler/submission.h"
#include "service/service.h"
#include "tests/support/attached_host.h"
#include "tests/support/stand_in_service.h"

namespace foo_brivanto {
namespace {

constexpr int kScrobbles = 1000;

TrackInfo nth_track(int n) {
  return {"Сплин", "Выхода нет " + std::to_string(n), "Гранатовый альбом", 245, 1700000000 + n};
}

// The stand-in service, started once, and a session key it knows.
struct Running {
  Running() : service(options()) {
    std::string error;
    if (!service.start(error)) {
      throw std::runtime_error(error);
    }
    session = brivanto_test::new_session_key(service.url());
  }
  static brivanto_service::ServiceOptions options() {
    brivanto_service::ServiceOptions o;
    o.approve_on_issue = true;
    return o;
  }
  brivanto_service::Service service;
  std::string session;
};

Running& running() {
  static Running r;
  return r;
}

// Kept scrobbles in memory: what is measured is the sending, not the disk.
class MemoryStore final : public JournalStore {
 public:
  MemoryStore(std::mutex& mutex, std::condition_variable& emptied)
      : mutex_(mutex), emptied_(emptied) {
    for (int n = 0; n < kScrobbles; ++n) {
      entries_.push_back({static_cast<std::uint64_t>(n + 1), nth_track(n)});
    }
  }
  bool keep(const TrackInfo&, KeptScrobble&, std::vector<KeptScrobble>&, std::string&) override {
    return false;
  }
  bool forget(std::uint64_t id, std::string& /*error*/) override {
    const std::lock_guard lock(mutex_);
    std::erase_if(entries_, [id](const KeptScrobble& e) { return e.id == id; });
    emptied_.notify_all();
    return true;
  }
  bool forget_all(std::string& /*error*/) override { return false; }
  const std::deque<KeptScrobble>& entries() const override { return entries_; }
  bool empty() const { return entries_.empty(); }

 private:
  std::mutex& mutex_;
  std::condition_variable& emptied_;
  std::deque<KeptScrobble> entries_;
};

void BM_KeptScrobblesInOneRound(benchmark::State& state) {
  const Running& service = running();
  std::mutex mutex;
  std::condition_variable emptied;
  for (auto _ : state) {
    state.PauseTiming();
    MemoryStore* store = nullptr;
    JournalWiring wiring;
    wiring.open = [&](std::vector<std::string>&, std::string&) {
      auto made = std::make_unique<MemoryStore>(mutex, emptied);
      const std::lock_guard lock(mutex);
      store = made.get();
      emptied.notify_all();
      return made;
    };
    wiring.send =
        send_through_api(service.service.url(), std::string(kApiKey), std::string(kSharedSecret));
    wiring.clock = system_journal_clock();
    wiring.report = [](const std::string&) {};
    wiring.changed = [] {};
    JournalEngine engine(std::move(wiring));
    engine.start(true, "");
    {
      std::unique_lock lock(mutex);
      emptied.wait(lock, [&] { return store != nullptr; });  // loaded: time the sending alone
    }
    state.ResumeTiming();
    engine.configure(true, service.session);  // a new key: the round starts at once
    std::unique_lock lock(mutex);
    if (!emptied.wait_for(lock, std::chrono::minutes(5), [&] { return store->empty(); })) {
      state.SkipWithError("the round did not send everything");
    }
  }
  state.counters["scrobbles_per_s"] =
      benchmark::Counter(kScrobbles, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_KeptScrobblesInOneRound)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LiveScrobblesOneAfterAnother(benchmark::State& state) {
  const Running& service = running();
  brivanto_test::AttachedHost host;
  const ServiceConfig config{service.service.url(), std::string(kApiKey),
                             std::string(kSharedSecret), service.session, nullptr};
  for (auto _ : state) {
    for (int n = 0; n < kScrobbles; ++n) {
      const TrackInfo info = nth_track(n);
      send_scrobble(
          TrackSnapshot{info.artist, info.title, info.album, 245, 240, true, info.timestamp},
          config);
      // "Sending scrobble: ..." and its outcome line.
      if (!host->main_thread().run_until(
              [&host] { return host->console().size() == 2; },
              std::chrono::steady_clock::now() + std::chrono::seconds(30))) {
        state.SkipWithError("a scrobble did not report back");
        break;
      }
      host->console().clear();
    }
  }
  state.counters["scrobbles_per_s"] =
      benchmark::Counter(kScrobbles, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_LiveScrobblesOneAfterAnother)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace foo_brivanto
