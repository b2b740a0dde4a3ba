// The journal's engine as its tests see it: a store, a clock and a sender of the test's own,
// and one record of what the engine's threads did with them, which the test reads and waits on.
// Time is the test's: nothing sleeps, and nothing happens on the clock until the test moves it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "journal/journal_engine.h"

namespace foo_brivanto::engine_test {

using time_point = JournalClock::time_point;
inline constexpr auto kOk = TrackCallOutcome::kAccepted;
inline constexpr auto kLater = TrackCallOutcome::kCurable;
inline constexpr auto kNever = TrackCallOutcome::kRejected;

// What the engine's threads did, as the test sees it. Every change wakes the test.
struct World {
  std::mutex mutex;
  std::condition_variable changed;
  // The clock: its time, and the worker's wait.
  time_point now{};
  bool waiting = false;
  time_point deadline{};
  int waits = 0;
  std::mutex* engine_mutex = nullptr;
  std::condition_variable* engine_wake = nullptr;
  // The sender: outcomes of the next sends (accepted when none), and what it was given.
  std::deque<TrackCallOutcome> outcomes;
  bool hold = false;  // sends wait while it is set
  int sending = 0;
  int most_sending = 0;
  std::vector<std::string> sends;  // "TITLE@SECONDS/KEY"
  // The store: what it holds, and the failures the test plants.
  std::vector<std::string> stored;
  bool fail_open = false;
  bool fail_keep = false;
  bool fail_forget = false;
  std::size_t capacity = kJournalCapacity;
  std::vector<std::string> lines;
  int notifications = 0;
  bool engine_gone = false;

  template <class Done>
  bool wait_for(Done done) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(20), done);
  }
  template <class Change>
  void update(Change change) {
    const std::lock_guard lock(mutex);
    change();
    changed.notify_all();
  }
  long long seconds() const { return (now - time_point{}) / std::chrono::seconds(1); }
};

class TestStore final : public JournalStore {
 public:
  TestStore(std::shared_ptr<World> world, const std::vector<std::string>& titles)
      : world_(std::move(world)) {
    for (const std::string& title : titles) {
      entries_.push_back(
          {++last_id_, TrackInfo{"A", title, "", 100, 1000 + static_cast<std::int64_t>(last_id_)}});
    }
    std::string ignored;
    change(false, ignored, [] {});
  }
  bool keep(const TrackInfo& track, KeptScrobble& kept, std::vector<KeptScrobble>& dropped,
            std::string& error) override {
    return change(world_->fail_keep, error, [&] {
      if (entries_.size() == world_->capacity) {
        dropped.push_back(entries_.front());
        entries_.pop_front();
      }
      entries_.push_back(kept = {++last_id_, track});
    });
  }
  bool forget(std::uint64_t id, std::string& error) override {
    return change(world_->fail_forget, error,
                  [&] { std::erase_if(entries_, [id](const auto& e) { return e.id == id; }); });
  }
  bool forget_all(std::string& error) override {
    return change(false, error, [&] { entries_.clear(); });
  }
  const std::deque<KeptScrobble>& entries() const override { return entries_; }

 private:
  template <class Change>
  bool change(const bool& fail, std::string& error, Change apply) {
    bool failed = false;
    world_->update([&] {
      if (!(failed = fail)) {
        apply();
        world_->stored.clear();
        for (const auto& e : entries_) {
          world_->stored.push_back(e.track.title);
        }
      }
    });
    error = "disk full";
    return !failed;
  }

  std::shared_ptr<World> world_;
  std::deque<KeptScrobble> entries_;
  std::uint64_t last_id_ = 0;
};

class TestClock final : public JournalClock {
 public:
  explicit TestClock(std::shared_ptr<World> world) : w_(std::move(world)) {}
  time_point now() override {
    const std::lock_guard lock(w_->mutex);
    return w_->now;
  }
  void wait_until(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                  time_point deadline) override {
    int mine = 0;
    {
      const std::lock_guard world_lock(w_->mutex);
      if (w_->now >= deadline) {
        return;
      }
      w_->waiting = true;
      w_->deadline = deadline;
      mine = ++w_->waits;
      w_->engine_mutex = lock.mutex();
      w_->engine_wake = &wake;
      w_->changed.notify_all();
    }
    wake.wait(lock);  // the test's advance takes the lock before it notifies: no wake is lost
    w_->update([&] {
      if (w_->waits == mine) {  // not a worker of before a restart, ending
        w_->waiting = false;
        w_->engine_wake = nullptr;
      }
    });
  }

 private:
  std::shared_ptr<World> w_;
};

class JournalEngineTest : public ::testing::Test {
 protected:
  // An engine whose store holds scrobbles of the titles given, by artist "A".
  void make(const std::vector<std::string>& titles, std::vector<std::string> notes = {}) {
    JournalWiring wiring;
    wiring.open = [w = w_, titles, notes](std::vector<std::string>& out, std::string& error) {
      out = notes;
      error = "no room";
      std::unique_lock lock(w->mutex);
      if (w->fail_open) {
        return std::unique_ptr<TestStore>();
      }
      lock.unlock();
      return std::make_unique<TestStore>(w, titles);
    };
    wiring.send = [w = w_](const std::string& key, const TrackInfo& track, std::string& error) {
      std::unique_lock lock(w->mutex);
      w->sends.push_back(track.title + "@" + std::to_string(w->seconds()) + "/" + key);
      w->most_sending = std::max(w->most_sending, ++w->sending);
      w->changed.notify_all();
      w->changed.wait(lock, [&w] { return !w->hold; });
      --w->sending;
      const TrackCallOutcome outcome = w->outcomes.empty() ? kOk : w->outcomes.front();
      if (!w->outcomes.empty()) {
        w->outcomes.pop_front();
      }
      error = outcome == kNever ? "refused" : "down";
      return outcome;
    };
    wiring.clock = std::make_shared<TestClock>(w_);
    auto gone = std::shared_ptr<World>(
        w_.get(), [w = w_](World*) { w->update([&w] { w->engine_gone = true; }); });
    wiring.report = [w = w_, gone](std::string line) {
      w->update([&] { w->lines.push_back(line); });
    };
    wiring.changed = [w = w_] { w->update([&w] { ++w->notifications; }); };
    engine_ = std::make_unique<JournalEngine>(std::move(wiring));
  }

  // An engine started with the switch on and key "k" on a store of scrobbles of `titles`.
  void start(const std::vector<std::string>& titles) {
    make(titles);
    ASSERT_TRUE(engine_->start(true, "k"));
  }

  void TearDown() override {
    engine_.reset();
    w_->update([this] { w_->hold = false; });
    EXPECT_TRUE(w_->wait_for([this] { return w_->engine_gone; })) << "the worker did not end";
  }

  // Moves the clock to `seconds` and waits until the worker waits again.
  void run_to(long long seconds) { settle(advance(seconds)); }
  // Moves the clock to `seconds` and wakes the worker; returns the number of waits before.
  int advance(long long seconds) {
    std::mutex* mutex = nullptr;
    std::condition_variable* wake = nullptr;
    int waits = 0;
    w_->update([&] {
      w_->now = time_point{} + std::chrono::seconds(seconds);
      mutex = w_->engine_mutex;
      wake = w_->engine_wake;
      waits = w_->waits;
    });
    if (wake != nullptr) {
      const std::lock_guard lock(*mutex);
      wake->notify_all();
    }
    return waits;
  }
  // Runs `action`, which wakes the worker once, and waits until the worker waits again, having
  // seen what the action changed. The worker must be waiting before (as after the last act), so
  // that no other wake can end the wait: one wake per act.
  template <class Action>
  auto act(Action action) {
    const int before = waits();
    if constexpr (std::is_void_v<decltype(action())>) {
      action();
      settle(before);
    } else {
      auto result = action();
      settle(before);
      return result;
    }
  }
  // Waits until the worker waits again after wait number `waits`.
  void settle(int waits) {
    EXPECT_TRUE(w_->wait_for([&] { return w_->waiting && w_->waits > waits; }));
  }
  int waits() {
    const std::lock_guard lock(w_->mutex);
    return w_->waits;
  }
  template <class Read>
  auto read(Read what) {
    const std::lock_guard lock(w_->mutex);
    return what(*w_);
  }
  static std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const auto& part : parts) {
      text += (text.empty() ? "" : "|") + part;
    }
    return text;
  }
  std::string sends() {
    return read([](World& w) { return joined(std::exchange(w.sends, {})); });
  }
  std::string lines() {
    return read([](World& w) { return joined(std::exchange(w.lines, {})); });
  }
  std::string stored() {
    return read([](World& w) { return joined(w.stored); });
  }

  std::shared_ptr<World> w_ = std::make_shared<World>();
  std::unique_ptr<JournalEngine> engine_;
};

}  // namespace foo_brivanto::engine_test
