// What the tracker costs the player's main thread: a time tick that sends nothing (it comes
// about once a second for every second of playback), and handing a scrobble to a background
// thread, against starting a bare detached thread.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "player/host/track.h"
#include "scrobbler/benchmark_allocations.h"
#include "scrobbler/scrobbler.h"
#include "scrobbler/submission.h"
#include "sdk/threads.h"
#include "tests/support/attached_host.h"
#include "tests/support/settings_reset.h"

namespace foo_brivanto {
namespace {

metadb_handle_ptr tagged_track() {
  fbplayer::file_info_impl info;
  info.meta_add("artist", "Сплин");
  info.meta_add("title", "Выхода нет");
  info.set_length(245.0);
  return service_new<fbplayer::Track>(info);
}

void BM_TimeTickThatSendsNothing(benchmark::State& state) {
  brivanto_test::AttachedHost host;
  brivanto_test::reset_settings();  // no session key: the notice at 5 s is dropped unsent
  Scrobbler tracker;
  tracker.on_playback_new_track(service_arg_source(tagged_track()));
  tracker.on_playback_time(5.0);
  host->main_thread().run_pending();

  double position = 6.0;
  const long long before = allocation_count();
  for (auto _ : state) {
    tracker.on_playback_time(position);  // below the threshold of 122.5 s: nothing is due
    position = position < 100.0 ? position + 1.0 : 6.0;
  }
  state.counters["allocations_per_tick"] = benchmark::Counter(
      static_cast<double>(allocation_count() - before), benchmark::Counter::kAvgIterations);
  tracker.drop_current();
}
BENCHMARK(BM_TimeTickThatSendsNothing);

// The main thread's part of a scrobble: copies, the queued "Sending" line and the start of its
// thread. The service address has a port that the URL check rejects, so that each task ends at
// once, without network work competing for the two cores; and each is let finish outside the
// measurement, so that every send meets an idle machine, as a bare thread start does.
void BM_SendScrobble(benchmark::State& state) {
  brivanto_test::AttachedHost host;
  TrackSnapshot track;
  track.artist = "Сплин";
  track.title = "Выхода нет";
  track.album = "Гранатовый альбом";
  track.duration = 245;
  const ServiceConfig config{"http://127.0.0.1:none", "5e0c7a91d3b24f86a1c09e7d2b6f4a38",
                             "c47d19e2a8b05f3e6d912b7a0e5c8f14", "0123456789abcdef0123456789abcdef",
                             nullptr};
  // Each task prints two lines: "Sending scrobble: …" and "Scrobble FAILED: …".
  const auto reported = [&host] { return host->console().size() == 2; };
  for (auto _ : state) {
    send_scrobble(track, config);
    state.PauseTiming();
    if (!host->main_thread().run_until(
            reported, std::chrono::steady_clock::now() + std::chrono::seconds(30))) {
      state.SkipWithError("a scrobble task did not report back");
    }
    host->console().clear();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_SendScrobble)->Iterations(2000);

void BM_BareDetachedThread(benchmark::State& state) {
  std::atomic<long long> finished{0};
  long long started = 0;
  for (auto _ : state) {
    std::thread([&finished] {
      finished.fetch_add(1);
      finished.notify_one();
    }).detach();
    ++started;
    state.PauseTiming();
    for (long long now = finished.load(); now != started; now = finished.load()) {
      finished.wait(now);
    }
    state.ResumeTiming();
  }
}
BENCHMARK(BM_BareDetachedThread)->Iterations(2000);

}  // namespace
}  // namespace foo_brivanto
