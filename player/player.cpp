#include "player/player.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <thread>
#include <utility>

#include "player/audio_tags.h"
#include "player/page_window.h"

namespace fbplayer {
namespace {

constexpr int kDefaultExpectSeconds = 10;

}  // namespace

Player::Outcome Player::execute(const Command& command, std::string& error) {
  const std::string& name = command.name;
  if (name.empty()) {
    return Outcome::kContinue;
  }
  const bool continues_expects = std::exchange(after_expect_, name == "expect");
  if (name == "add") {
    return add(command, error);
  }
  if (name == "load") {
    return load(command, error);
  }
  if (name == "play") {
    return play(command, error);
  }
  if (name == "wait" || name == "sleep" || name == "seek") {
    return timed(command, error);
  }
  if (name == "pause" || name == "resume" || name == "stop" || name == "next" || name == "quit") {
    return transport(command, error);
  }
  if (name == "edit") {
    return edit(command, error);
  }
  if (name == "dynamic") {
    return dynamic(command, error);
  }
  if (name == "expect") {
    return expect(command, continues_expects, error);
  }
  if (name == "prefs") {
    return prefs(command, error);
  }
  error = "unknown command '" + name + "'";
  return Outcome::kBadCommand;
}

Player::Outcome Player::timed(const Command& command, std::string& error) {
  const std::string& name = command.name;
  const auto seconds =
      command.words.size() == 1 ? parse_number(command.words[0]) : std::optional<double>();
  if (!seconds || *seconds < 0) {
    error = name + ": expected one number of seconds, 0 or more";
    return Outcome::kBadCommand;
  }
  if (name == "wait") {
    return wait(*seconds);
  }
  if (name == "seek") {
    return seek(*seconds, error);
  }
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(*seconds));
  host_.main_thread().run_until([] { return false; }, deadline);
  return Outcome::kContinue;
}

Player::Outcome Player::transport(const Command& command, std::string& error) {
  const std::string& name = command.name;
  if (!command.words.empty() || !command.fields.empty()) {
    error = name + ": takes no arguments";
    return Outcome::kBadCommand;
  }
  if (name == "quit") {
    return Outcome::kQuit;
  }
  if (!playing()) {
    error = name + ": nothing is playing";
    return Outcome::kBadCommand;
  }
  if (name == "pause" || name == "resume") {
    paused_ = name == "pause";
    host_.playback().pause(paused_);
  } else if (name == "next" && *current_ + 1 < playlist_.size()) {
    start(*current_ + 1);
  } else {
    stop(play_control::stop_reason_user);  // "stop", or "next" after the last track
  }
  run_tasks();
  return Outcome::kContinue;
}

Player::Outcome Player::add(const Command& command, std::string& error) {
  if (!command.words.empty()) {
    error = "add: arguments are key=\"value\" fields";
    return Outcome::kBadCommand;
  }
  Entry entry{{}, 0};
  bool has_length = false;
  for (const auto& [key, value] : command.fields) {
    if (key == "length") {
      const auto length = parse_number(value);
      if (!length) {
        error = "add: length must be a number of seconds";
        return Outcome::kBadCommand;
      }
      entry.length = *length;
      has_length = true;
    } else {
      entry.info.meta_add(key.c_str(), value.c_str());
    }
  }
  if (!has_length) {
    error = "add: length=SECONDS is required (0 or less for an unknown length)";
    return Outcome::kBadCommand;
  }
  playlist_.push_back(std::move(entry));
  return Outcome::kContinue;
}

Player::Outcome Player::load(const Command& command, std::string& error) {
  if (command.words.empty() || !command.fields.empty()) {
    error = "load: expected one or more file paths";
    return Outcome::kBadCommand;
  }
  for (const std::string& path : command.words) {
    Entry entry{{}, 0};
    if (!read_audio_file(path, entry.info, entry.length, error)) {
      return Outcome::kBadCommand;
    }
    playlist_.push_back(std::move(entry));
  }
  return Outcome::kContinue;
}

Player::Outcome Player::play(const Command& command, std::string& error) {
  std::size_t index = 0;
  if (!command.words.empty()) {
    const auto number = command.words.size() == 1 ? parse_number(command.words[0]) : std::nullopt;
    if (!number || *number < 1 || *number != std::floor(*number) ||
        *number > static_cast<double>(playlist_.size())) {
      error = "play: expected a track number from 1 to " + std::to_string(playlist_.size());
      return Outcome::kBadCommand;
    }
    index = static_cast<std::size_t>(*number) - 1;
  }
  if (playlist_.empty() || !command.fields.empty()) {
    error = playlist_.empty() ? "play: the playlist is empty" : "play: takes a track number only";
    return Outcome::kBadCommand;
  }
  start(index);
  run_tasks();
  return Outcome::kContinue;
}

void Player::start(std::size_t index) {
  if (playing()) {
    host_.playback().stop(play_control::stop_reason_starting_another);
  }
  current_ = index;
  position_ = 0;
  paused_ = false;
  file_info_impl info = playlist_[index].info;
  info.set_length(std::max(playlist_[index].length, 0.0));  // 0: unknown
  track_ = service_new<Track>(info);
  host_.playback().new_track(metadb_handle_ptr(track_));
}

void Player::stop(play_control::t_stop_reason reason) {
  current_.reset();
  track_.release();
  position_ = 0;
  paused_ = false;
  host_.playback().stop(reason);
}

Player::Outcome Player::wait(double seconds) {
  double left = seconds;
  while (left > 0 && playing() && !paused_) {
    const double length = playlist_[*current_].length;
    const double end = length > 0 ? length : std::numeric_limits<double>::infinity();
    const double next_tick = std::floor(position_) + 1;
    const double until = std::min({next_tick, end, position_ + left});
    pass_real_time(until - position_);
    left -= until - position_;
    position_ = until;
    if (position_ >= end) {
      // Playback goes on to the next track, or stops after the last.
      if (*current_ + 1 < playlist_.size()) {
        start(*current_ + 1);
      } else {
        stop(play_control::stop_reason_eof);
      }
    } else if (position_ == next_tick) {
      host_.playback().time(position_);
    }
    run_tasks();
  }
  if (left > 0) {
    pass_real_time(left);  // paused, or nothing playing: only the clock moves
  }
  run_tasks();
  return Outcome::kContinue;
}

void Player::pass_real_time(double seconds) {
  if (speed_ <= 0 || seconds <= 0) {
    return;
  }
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(seconds / speed_));
  host_.main_thread().run_until([] { return false; }, deadline);
}

Player::Outcome Player::seek(double seconds, std::string& error) {
  if (!playing()) {
    error = "seek: nothing is playing";
    return Outcome::kBadCommand;
  }
  const double length = playlist_[*current_].length;
  if (length > 0 && seconds >= length) {
    error = "seek: " + std::to_string(seconds) + " s is past the end of the track";
    return Outcome::kBadCommand;
  }
  position_ = seconds;
  host_.playback().seek(seconds);
  run_tasks();
  return Outcome::kContinue;
}

Player::Outcome Player::edit(const Command& command, std::string& error) {
  if (!playing() || command.fields.empty() || !command.words.empty()) {
    error = playing() ? "edit: arguments are key=\"value\" fields" : "edit: nothing is playing";
    return Outcome::kBadCommand;
  }
  // Each field named in the edit gets the values given for it; an empty value removes it.
  file_info_impl info = track_->info();
  std::set<std::string> replaced;
  for (const auto& [key, value] : command.fields) {
    if (key == "length") {
      const auto length = parse_number(value);
      if (!length) {
        error = "edit: length must be a number of seconds";
        return Outcome::kBadCommand;
      }
      info.set_length(std::max(*length, 0.0));
      playlist_[*current_].length = *length;
      continue;
    }
    if (replaced.insert(key).second) {
      info.meta_remove(key.c_str());
    }
    if (!value.empty()) {
      info.meta_add(key.c_str(), value.c_str());
    }
  }
  playlist_[*current_].info = info;
  track_->set_info(info);
  host_.playback().edited(metadb_handle_ptr(track_));
  run_tasks();
  return Outcome::kContinue;
}

Player::Outcome Player::dynamic(const Command& command, std::string& error) {
  if (!playing() || command.fields.empty() || !command.words.empty()) {
    error =
        playing() ? "dynamic: arguments are key=\"value\" fields" : "dynamic: nothing is playing";
    return Outcome::kBadCommand;
  }
  file_info_impl info;
  for (const auto& [key, value] : command.fields) {
    info.info_set(key.c_str(), value.c_str());
  }
  host_.playback().dynamic_info(info);
  run_tasks();
  return Outcome::kContinue;
}

Player::Outcome Player::expect(const Command& command, bool continues_expects, std::string& error) {
  std::optional<double> seconds = double{kDefaultExpectSeconds};
  if (command.words.size() == 2) {
    seconds = parse_number(command.words[1]);
  }
  if (command.words.empty() || command.words.size() > 2 || !command.fields.empty() || !seconds ||
      *seconds < 0) {
    error = "expect: expected \"TEXT\" and optionally a number of seconds";
    return Outcome::kBadCommand;
  }
  const std::string& text = command.words[0];
  if (!continues_expects) {
    expect_window_start_ = previous_expect_start_;
  }
  previous_expect_start_ = host_.console().size();
  const std::size_t window_start = expect_window_start_;
  const auto found = [&] {
    const std::vector<std::string> lines = host_.console().lines();
    for (std::size_t i = window_start; i < lines.size(); ++i) {
      if (lines[i].find(text) != std::string::npos && matched_lines_.insert(i).second) {
        return true;
      }
    }
    return false;
  };
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(*seconds));
  if (!host_.main_thread().run_until(found, deadline)) {
    const std::string limit =
        command.words.size() == 2 ? command.words[1] : std::to_string(kDefaultExpectSeconds);
    error = "no console line containing \"" + text + "\" within " + limit + " s";
    return Outcome::kExpectFailed;
  }
  return Outcome::kContinue;
}

Player::Outcome Player::prefs(const Command& command, std::string& error) {
  const std::string action = command.words.empty() ? "" : command.words[0];
  const std::size_t arguments = action == "click" || action == "answer" ? 2 : 1;
  if (command.words.size() != arguments || !command.fields.empty()) {
    error = "prefs: expected open, show, click ID, answer yes|no, apply, reset or close";
    return Outcome::kBadCommand;
  }
  if (action == "open") {
    return open_page(error);
  }
  if (action == "answer") {
    const std::string& answer = command.words[1];
    if (answer != "yes" && answer != "no") {
      error = "prefs answer: expected yes or no";
      return Outcome::kBadCommand;
    }
    next_answer_ = answer == "yes";
    return Outcome::kContinue;
  }
  if (!page_) {
    error = "prefs " + action + ": the preferences page is not open";
    return Outcome::kBadCommand;
  }
  if (action == "show") {
    for (const PageControl& control : page_controls(page_->get_wnd())) {
      print_("[prefs] " + std::to_string(control.id) + " " + control.text + " " +
             std::to_string(control.check_state) + (control.enabled ? "" : " disabled"));
    }
    print_("[prefs] state " + std::to_string(page_->get_state()));
  } else if (action == "click") {
    return prefs_click(command.words[1], error);
  } else if (action == "apply") {
    page_->apply();
  } else if (action == "reset") {
    page_->reset();
  } else if (action == "close") {
    close_page();
  } else {
    error = "prefs: unknown action '" + action + "'";
    return Outcome::kBadCommand;
  }
  run_tasks();
  return Outcome::kContinue;
}

Player::Outcome Player::prefs_click(const std::string& id_text, std::string& error) {
  const auto id = parse_number(id_text);
  const auto controls = page_controls(page_->get_wnd());
  const auto control = std::find_if(controls.begin(), controls.end(), [&](const PageControl& c) {
    return id && static_cast<double>(c.id) == *id;
  });
  if (control == controls.end() || !control->enabled) {
    error = "prefs click: the page has " +
            std::string(control == controls.end() ? "no control " : "disabled control ") + id_text;
    return Outcome::kBadCommand;
  }
  // A question that the click makes the page ask is answered through answer(): while the click
  // is under way on Windows, while the tasks run below elsewhere.
  if (!click_page_control(page_->get_wnd(), control->id)) {
    error = "prefs click: control " + id_text + " took no click";
    return Outcome::kBadCommand;
  }
  run_tasks();
  return Outcome::kContinue;
}

Player::Outcome Player::open_page(std::string& error) {
  if (page_) {
    error = "prefs open: the preferences page is open already";
    return Outcome::kBadCommand;
  }
  // Pages are listed as preferences_page; a page of this generation also answers for v3.
  for (const auto& listed : host_.services<preferences_page>()) {
    const auto page = service_query_t<preferences_page_v3>(listed);
    if (!page) {
      continue;
    }
    preferences_page_instance* created = nullptr;
    page->instantiate(
        &created, page_parent_window(),
        service_arg_source(service_ptr_t<preferences_page_callback>(&page_callback_)));
    page_ = service_ptr_t<preferences_page_instance>::adopt(created);
    if (!page_) {
      error = "prefs open: the page gave no instance";
      return Outcome::kBadCommand;
    }
    answer_page_questions(page_->get_wnd(), this);
    run_tasks();
    return Outcome::kContinue;
  }
  error = "prefs open: the component has no preferences page";
  return Outcome::kBadCommand;
}

bool Player::answer(const std::string& title, const std::string& text) {
  print_("[question] " + title + ": " + text);
  return std::exchange(next_answer_, false);
}

void Player::close_page() {
  page_.release();
  answer_page_questions(nullptr, nullptr);
  run_tasks();
}

}  // namespace fbplayer
