// The scenario driver: plays a listener's session through the stand-in player (fbplayer, the
// Linux build or the Windows build under Wine) against a stand-in service that runs in this
// process, switching the service's outages between commands, killing and restarting the
// player, and reading what the service received. Linux only; the tests it serves are in
// scenario_test.cpp.
//
//   TEST(Scenario, Something) {
//     Scenario s("something");               // fresh folder, service started
//     s.start_player();                      // fbplayer on the scenario's profile
//     s.authorize();                         // linked through the preferences page
//     s.send(R"(add length=60 artist="A" title="T")");
//     s.set_outage(brivanto_service::Outage::kRefuse);
//     s.send("play");
//     s.send("wait 31");                     // simulated time: instant
//     s.wait_for_line("Scrobble FAILED: ");  // a console line, with a deadline
//     s.set_outage(brivanto_service::Outage::kNone);
//     s.kill_player();                       // SIGKILL; TerminateProcess under Wine (137)
//     s.start_player();                      // the same profile
//     ...
//     EXPECT_EQ(s.quit_player(), 0);         // "quit": the configuration is saved
//     EXPECT_EQ(s.scrobbles().size(), 1U);   // what the service accepted, in order
//   }
//
// The player and the component come from the environment (CTest sets it, see CMakeLists.txt):
//   BRIVANTO_SCENARIO_PLAYER     fbplayer, or fbplayer.exe
//   BRIVANTO_SCENARIO_COMPONENT  the test build of the library, which finds its service through
//                                the URL file that BRIVANTO_FIXTURE_SERVICE_URL_FILE names (the
//                                driver writes it and sets the variable for the player)
//   BRIVANTO_SCENARIO_DIR        where each scenario gets its folder (profile, logs)
//   BRIVANTO_SCENARIO_WINE_RUN   Windows build only: the build's wine-run
//   BRIVANTO_SCENARIO_LAUNCHER   Windows build only: scenario_launcher.exe, which runs the
//                                player and ends it with TerminateProcess when told
// Under Wine the preferences page is a real window: the environment also needs the display
// fixture's BRIVANTO_DISPLAY_FILE.
//
// Every failure (a deadline passed, the player ended early, the service cannot switch) throws
// std::runtime_error with what the player printed, which fails the test that called.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "service/service.h"
#include "tests/scenario/child_process.h"

namespace brivanto_test {

// The Unix time in whole seconds, read as the component reads it (the system clock, truncated).
// time() may lag it by a few milliseconds (a coarse clock), and so name the second before the
// one in which the player stamped a track.
std::int64_t unix_now();

// Where the player and the component are: from the environment above.
struct PlayerBuild {
  std::string player;
  std::string component;
  std::string directory;
  std::string wine_run;  // empty: the Linux build
  std::string launcher;

  // Throws std::runtime_error when a variable is missing.
  static PlayerBuild from_environment();
  bool windows() const { return !wine_run.empty(); }
  // `path` as the player sees it: a Wine drive path ("Z:/...") for the Windows build.
  std::string player_path(const std::string& path) const;
};

// Scrobbles that a scenario holds in the service (Scenario::hold_scrobbles_of): the service's
// serving threads wait here while the test lets other calls through.
class ScrobbleHold {
 public:
  // A serving thread, before the service answers a call: waits while the call is a scrobble of
  // the held title.
  void pass(const brivanto_service::Params& params);
  void hold(std::string title);
  // Lets the held calls go, and holds no more.
  void release();
  // Waits until `count` calls are held; false at the deadline.
  bool wait_until_holding(std::size_t count, std::chrono::seconds deadline);

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string title_;  // empty: nothing is held
  std::size_t holding_ = 0;
};

class Scenario {
 public:
  using Seconds = std::chrono::seconds;
  static constexpr Seconds kDeadline{60};

  // A fresh folder BRIVANTO_SCENARIO_DIR/<name> and the service started in this process
  // (approving tokens as it issues them), with no player yet.
  explicit Scenario(const std::string& name);
  // Lets held scrobbles go and kills a player still running.
  ~Scenario();
  Scenario(const Scenario&) = delete;
  Scenario& operator=(const Scenario&) = delete;

  brivanto_service::Service& service() { return *service_; }
  // Switches the service's outage; returns once it is in force. Switching to refuse also ends
  // every exchange under way: the service has answered or dropped each request it was sent.
  void set_outage(brivanto_service::Outage outage);
  // The service holds every scrobble of the track titled `title`, live or kept, until
  // release_held(); it serves all other calls meanwhile.
  void hold_scrobbles_of(std::string title);
  // Waits until the service holds `count` such scrobbles.
  void wait_until_holding(std::size_t count, Seconds deadline = kDeadline);
  void release_held();

  // Starts the player on the scenario's profile (kept from earlier runs) with its commands
  // coming from this driver. Each run's console starts empty.
  void start_player();
  // Sends one command line (see the README's list of fbplayer commands).
  void send(std::string_view command);
  // Waits for a console line of this run that contains `text` and has not satisfied an earlier
  // wait (lines of background requests come in any order); returns it.
  std::string wait_for_line(std::string_view text, Seconds deadline = kDeadline);
  // The same for the first such line that `match` accepts.
  std::string wait_for_line_where(const std::function<bool(const std::string&)>& match,
                                  Seconds deadline = kDeadline);
  // The console lines of this run read so far (wait_for_line and send read what has come).
  const std::vector<std::string>& lines() const { return lines_; }

  // Ends the player abruptly, as a crash or a kill does: SIGKILL for the Linux build,
  // TerminateProcess for the Windows one. Returns once the process is gone, with its exit
  // status: 137 either way (128 + SIGKILL; the code the launcher gives TerminateProcess).
  // lines() then holds every line that the run printed.
  int kill_player();
  // Sends "quit", waits for the player to end and returns its exit status (0: done). The
  // player saves its configuration on the way out.
  int quit_player();

  // Links the profile to the service through the preferences page, as a listener does
  // ("Request authorization", then "Complete authorization"). Kept by the profile once the
  // player quits.
  void authorize();
  // Turns on "Keep scrobbles that could not be sent, and send them later" on the preferences
  // page and applies it. Kept by the profile once the player quits.
  void turn_on_keeping();

  // What the service accepted, in arrival order (all runs).
  std::vector<brivanto_service::Received> scrobbles() const;
  std::vector<brivanto_service::Received> now_playing() const;
  // Waits until the service has accepted `count` scrobbles in all; returns them.
  std::vector<brivanto_service::Received> wait_for_scrobbles(std::size_t count,
                                                             Seconds deadline = kDeadline);

  // The scenario's folder and the profile in it.
  const std::string& directory() const { return directory_; }
  std::string profile() const { return directory_ + "/profile"; }

 private:
  // Reads the lines that have come, waiting for none.
  void read_available();
  std::vector<std::string> environment() const;
  std::string stderr_file() const;  // of the current or last run
  [[noreturn]] void fail(const std::string& what) const;

  PlayerBuild build_;
  std::string directory_;
  std::shared_ptr<ScrobbleHold> hold_ = std::make_shared<ScrobbleHold>();
  std::unique_ptr<brivanto_service::Service> service_;
  std::unique_ptr<ChildProcess> player_;
  int runs_ = 0;
  std::vector<std::string> lines_;
  std::vector<bool> matched_;  // per line: satisfied a wait already
};

}  // namespace brivanto_test
