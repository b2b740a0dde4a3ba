// The stand-in player: a playlist played in simulated time, delivering the playback events a
// real player would, with every main-thread task of the components run in between.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "player/host/host.h"
#include "player/host/track.h"
#include "player/page_window.h"
#include "player/script.h"
#include "sdk/preferences_page.h"

namespace fbplayer {

class Player final : private PageQuestions {
 public:
  enum class Outcome { kContinue, kQuit, kBadCommand, kExpectFailed };

  // `speed`: 0 plays "wait" instantly; X > 0 plays it at X times real time. `print` takes the
  // player's own output lines ("prefs show").
  Player(
      Host& host, double speed,
      std::function<void(std::string_view)> print = [](std::string_view) {})
      : host_(host), speed_(speed), print_(std::move(print)) {}
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;
  ~Player() { close_page(); }

  // Closes the preferences page if it is open.
  void close_page();

  // Runs one command. On kBadCommand and kExpectFailed, `error` says why.
  Outcome execute(const Command& command, std::string& error);

  // Runs the main-thread tasks that are due.
  void run_tasks() { host_.main_thread().run_pending(); }

 private:
  using Clock = std::chrono::steady_clock;

  struct Entry {
    file_info_impl info;
    double length;  // seconds; 0 or less when unknown
  };

  Outcome add(const Command& command, std::string& error);
  Outcome load(const Command& command, std::string& error);
  Outcome play(const Command& command, std::string& error);
  // wait, sleep and seek: one number of seconds.
  Outcome timed(const Command& command, std::string& error);
  // pause, resume, stop, next and quit: no arguments.
  Outcome transport(const Command& command, std::string& error);
  Outcome wait(double seconds);
  Outcome seek(double seconds, std::string& error);
  Outcome edit(const Command& command, std::string& error);
  Outcome dynamic(const Command& command, std::string& error);
  Outcome expect(const Command& command, bool continues_expects, std::string& error);
  Outcome prefs(const Command& command, std::string& error);
  Outcome open_page(std::string& error);

  Outcome prefs_click(const std::string& id_text, std::string& error);

  bool playing() const { return current_.has_value(); }
  void start(std::size_t index);
  void stop(play_control::t_stop_reason reason);
  // Lets `seconds` of real time pass (scaled by the speed), running main-thread tasks.
  void pass_real_time(double seconds);

  // Counts the page's notifications; the host asks get_state again on each.
  class PageCallback : public preferences_page_callback {
   public:
    void on_state_changed() override { ++notifications; }
    int notifications = 0;

   protected:
    ~PageCallback() = default;
  };

  // Answers the page's questions: prints each as "[question] TITLE: TEXT" and gives the answer
  // that "prefs answer" set for it, or No.
  bool answer(const std::string& title, const std::string& text) override;

  Host& host_;
  double speed_;
  std::function<void(std::string_view)> print_;
  bool next_answer_ = false;
  service_impl_single_t<PageCallback> page_callback_;
  service_ptr_t<preferences_page_instance> page_;
  std::vector<Entry> playlist_;
  std::optional<std::size_t> current_;
  service_ptr_t<Track> track_;
  double position_ = 0;
  bool paused_ = false;
  // An expect looks at the console lines printed since the previous expect began, and each line
  // satisfies one expect at most: lines of background requests come in any order. Consecutive
  // expects share the window of the first of them, since the lines they wait for may all have
  // been printed during the command before them.
  std::size_t previous_expect_start_ = 0;
  std::size_t expect_window_start_ = 0;
  bool after_expect_ = false;
  std::set<std::size_t> matched_lines_;
};

}  // namespace fbplayer
