// The journal's engine: when rounds run, what they send and in which order, the back-off, the
// in-flight marks, the switch, the disk's failures, and a stop while a send is under way.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "journal/journal_engine.h"
#include "journal/journal_engine_test_harness.h"

namespace foo_brivanto::engine_test {
namespace {

TrackInfo track(const char* title) {
  return {"A", title, "", 100, 2000};
}

TEST_F(JournalEngineTest, StartUpRoundSendsOldestFirstOneAtATime) {
  start({"T1", "T2", "T3"});
  run_to(10);
  EXPECT_EQ(sends(), "T1@10/k|T2@10/k|T3@10/k");
  EXPECT_EQ(lines(),
            "Journal: loaded, 3 scrobbles waiting|Sending kept scrobble: A - T1|"
            "Kept scrobble OK: A - T1|Sending kept scrobble: A - T2|Kept scrobble OK: A - T2|"
            "Sending kept scrobble: A - T3|Kept scrobble OK: A - T3");
  EXPECT_EQ(stored(), "");
  EXPECT_EQ(read([](World& w) { return w.most_sending; }), 1);
  const JournalStatus status = engine_->status();
  EXPECT_EQ(std::to_string(status.loaded) + "," + std::to_string(status.waiting), "1,0");
}

// A curable failure ends the round and the next comes after the back-off: 1 minute, doubling
// to 30, back to 1 after a success. A refusal drops the entry and is no success.
TEST_F(JournalEngineTest, BackOffDoublesToThirtyMinutesAndSuccessResetsIt) {
  const struct {
    TrackCallOutcome outcome;
    int minutes_to_next_round;
  } tries[] = {{kLater, 1},  {kLater, 2},  {kLater, 4}, {kLater, 8}, {kLater, 16},
               {kLater, 30}, {kLater, 30}, {kOk, 0},    {kLater, 1}, {kNever, 0},
               {kLater, 2},  {kOk, 0},     {kOk, 0}};
  std::string expected;
  std::string failures;
  long long at = 10;
  int entry = 1;
  for (const auto& t : tries) {
    expected += "|T" + std::to_string(entry) + "@" + std::to_string(at) + "/k";
    w_->outcomes.push_back(t.outcome);
    entry += t.outcome == kLater ? 0 : 1;
    at += 60LL * t.minutes_to_next_round;
    if (t.outcome == kLater) {
      failures += "|Kept scrobble FAILED: down (kept, next try in " +
                  std::to_string(t.minutes_to_next_round) + " min)";
    }
  }
  start({"T1", "T2", "T3", "T4"});
  run_to(10);
  for (int round = 0; round < 20 && read([](World& w) { return w.deadline; }) != time_point::max();
       ++round) {
    run_to((read([](World& w) { return w.deadline; }) - time_point{}) / std::chrono::seconds(1));
  }
  EXPECT_EQ("|" + sends(), expected);
  std::string failed;
  for (const std::string& line : read([](World& w) { return w.lines; })) {
    failed += line.find("FAILED") != std::string::npos ? "|" + line : "";
  }
  EXPECT_EQ(failed, failures);
  EXPECT_NE(lines().find("Kept scrobble dropped: A - T2: refused"), std::string::npos);
  EXPECT_EQ(stored(), "");
}

// Entries kept by live sends are theirs until settled: rounds skip them.
TEST_F(JournalEngineTest, ALiveSendsEntryIsInFlightUntilSettled) {
  start({"T1"});
  run_to(10);
  const auto t2 = engine_->keep(track("T2"));
  const auto t3 = engine_->keep(track("T3"));
  const auto t4 = engine_->keep(track("T4"));
  ASSERT_TRUE(t2 && t3 && t4);
  act([this] { engine_->network_back(); });
  EXPECT_EQ(sends(), "T1@10/k");
  EXPECT_EQ(act([&] { return engine_->settle(*t2, kLater); }), std::optional<std::size_t>(3));
  EXPECT_EQ(act([&] { return engine_->settle(*t4, kNever); }), std::nullopt);
  EXPECT_EQ(stored(), "T2|T3");
  // The network is back: T2 goes.
  EXPECT_EQ(act([&] { return engine_->settle(*t3, kOk); }), std::nullopt);
  EXPECT_EQ(sends(), "T2@10/k");
  EXPECT_EQ(stored(), "");
}

// A round has an end: what a live send keeps while the round is under way waits for the next.
TEST_F(JournalEngineTest, ARoundSendsWhatWaitedWhenItBegan) {
  w_->hold = true;
  start({"T1"});
  const int before = advance(10);
  ASSERT_TRUE(w_->wait_for([this] { return w_->sending == 1; }));
  const auto t2 = engine_->keep(track("T2"));
  ASSERT_TRUE(t2);
  EXPECT_EQ(engine_->settle(*t2, kLater), std::optional<std::size_t>(2));
  w_->update([this] { w_->hold = false; });
  settle(before);
  EXPECT_EQ(sends(), "T1@10/k");
  EXPECT_EQ(stored(), "T2");
  act([this] { engine_->network_back(); });
  EXPECT_EQ(sends(), "T2@10/k");
}

// Each kept scrobble goes with the session key of the moment it is sent.
TEST_F(JournalEngineTest, ANewKeyOrTheNetworkBackStartsARound) {
  w_->outcomes = {kLater, kLater};
  start({"T1", "T2"});
  run_to(10);
  for (const auto& step : std::vector<std::function<void()>>{
           [this] { engine_->configure(true, "k"); },   // the same key: nothing
           [this] { engine_->network_back(); },         // T1 fails again
           [this] { engine_->configure(true, "k2"); },  // T1 and T2 go
           [this] { engine_->configure(true, ""); }}) {
    act(step);
  }
  EXPECT_EQ(sends(), "T1@10/k|T1@10/k|T1@10/k2|T2@10/k2");
  // The network back is a success: the back-off starts again from 1 minute.
  EXPECT_NE(lines().find("next try in 1 min)|Sending kept scrobble: A - T1|"
                         "Kept scrobble FAILED: down (kept, next try in 1 min)"),
            std::string::npos);
}

TEST_F(JournalEngineTest, SwitchedOffNothingIsSentAndWhatWaitsStays) {
  make({"T1", "T2"});
  ASSERT_TRUE(engine_->start(false, "k"));
  run_to(10);
  act([this] { engine_->network_back(); });
  act([this] { engine_->configure(false, "k2"); });
  run_to(3600);
  EXPECT_EQ(sends(), "");
  EXPECT_EQ(stored(), "T1|T2");
  act([this] { engine_->configure(true, "k2"); });  // turned on: a round at once
  EXPECT_EQ(sends(), "T1@3600/k2|T2@3600/k2");
}

TEST_F(JournalEngineTest, StopReturnsWhileASendIsUnderWayAndItsOutcomeIsWritten) {
  w_->hold = true;
  start({"T1", "T2"});
  advance(10);
  ASSERT_TRUE(w_->wait_for([this] { return w_->sending == 1; }));
  engine_->stop();
  engine_.reset();  // returns at once: the send is held until the line below
  EXPECT_FALSE(read([](World& w) { return w.engine_gone; }));
  w_->update([this] { w_->hold = false; });
  ASSERT_TRUE(w_->wait_for([this] { return w_->engine_gone; }));
  EXPECT_EQ(sends(), "T1@10/k");  // and not T2
  EXPECT_EQ(stored(), "T2");
}

TEST_F(JournalEngineTest, ARestartHasItsOwnStartUpRound) {
  w_->outcomes = {kLater};
  start({"T1"});
  run_to(10);
  engine_->stop();
  ASSERT_TRUE(engine_->start(true, "k"));
  run_to(20);
  EXPECT_EQ(sends(), "T1@10/k|T1@20/k");
}

TEST_F(JournalEngineTest, TheJournalFullDropsTheOldestWithALine) {
  w_->capacity = 2;
  start({"T1", "T2"});
  EXPECT_TRUE(engine_->keep(track("T3")));
  EXPECT_EQ(stored(), "T2|T3");
  EXPECT_NE(lines().find("Kept scrobble dropped: A - T1: the journal is full"), std::string::npos);
}

// A store that cannot be opened or written is said once, until something is kept again; the
// scrobble goes on without it, and nothing that waits is lost.
TEST_F(JournalEngineTest, TheDiskFailingIsSaidOnceAndLosesNothing) {
  w_->fail_open = true;
  make({"T1"}, {"a damaged record skipped"});
  ASSERT_TRUE(engine_->start(true, "k"));
  EXPECT_FALSE(engine_->keep(track("T2")));
  EXPECT_FALSE(engine_->status().loaded);
  w_->update([this] { w_->fail_open = false; });
  std::vector<std::optional<std::uint64_t>> kept = {engine_->keep(track("T2"))};
  for (const bool fail : {true, true, false, true}) {
    w_->update([&] { w_->fail_keep = fail; });
    kept.push_back(engine_->keep(track("T3")));
    EXPECT_EQ(kept.back().has_value(), !fail);
  }
  // Each try to open says what it found; the trouble itself is said once.
  std::string said;
  for (const std::string& line : read([](World& w) { return std::exchange(w.lines, {}); })) {
    said += line == "Journal: a damaged record skipped" ? "" : "|" + line;
  }
  EXPECT_EQ(said,
            "|Journal: cannot be opened: no room; scrobbles are not kept until it can be"
            "|Journal: loaded, 1 scrobble waiting"
            "|Journal: cannot be written: disk full; scrobbles are not kept until it can be"
            "|Journal: cannot be written: disk full; scrobbles are not kept until it can be");
  ASSERT_TRUE(w_->wait_for([this] { return w_->waiting; }));
  for (const auto& id : {kept[0], kept[3]}) {
    act([&] { return engine_->settle(*id, kLater); });
  }
  w_->update([this] { w_->fail_forget = true; });
  run_to(10);  // T1 is accepted but stays, and the round ends there
  EXPECT_EQ(sends(), "T1@10/k");
  EXPECT_EQ(stored(), "T1|T2|T3");
}

TEST_F(JournalEngineTest, StatusAndDiscard) {
  make({"T1", "T2"});
  ASSERT_TRUE(engine_->start(false, ""));
  ASSERT_TRUE(w_->wait_for([this] { return w_->notifications > 0; }));
  JournalStatus status = engine_->status();
  EXPECT_EQ(std::to_string(status.loaded) + "," + std::to_string(status.waiting) + "," +
                std::to_string(status.oldest_started_at),
            "1,2,1001");
  engine_->discard();
  ASSERT_TRUE(w_->wait_for([this] {
    return !w_->lines.empty() && w_->lines.back().find("discarded") != std::string::npos;
  }));
  EXPECT_EQ(lines(), "Journal: loaded, 2 scrobbles waiting|Journal: discarded 2 scrobbles");
  status = engine_->status();
  EXPECT_EQ(status.waiting, 0U);
  EXPECT_EQ(stored(), "");
}

TEST(JournalFolderTest, InTheProfileFolderTheWayThePlayerGivesIt) {
  const struct {
    const char* profile;
    const char* folder;
  } cases[] = {
      {"file://C:\\Users\\Ана\\AppData\\Roaming\\foobar2000-v2",
       "C:\\Users\\Ана\\AppData\\Roaming\\foobar2000-v2\\foo_brivanto"},
      {"file://C:\\portable\\profile\\", "C:\\portable\\profile\\foo_brivanto"},
      {"/home/ана/.fb", "/home/ана/.fb/foo_brivanto"},
      {"file:///tmp/p/", "/tmp/p/foo_brivanto"},
      {"file://", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(journal_folder(c.profile), c.folder) << c.profile;
  }
}

}  // namespace
}  // namespace foo_brivanto::engine_test
