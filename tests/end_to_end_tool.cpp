// The check at the end of the end-to-end test: what the stand-in service received while
// fbplayer played tests/end_to_end_play.script. Exit status 0 when it is what the listener
// played; otherwise 1, with the reasons on standard error.
#include <exception>
#include <iostream>
#include <string>

#include "tests/support/fixture_url.h"
#include "tests/support/stand_in_service.h"

int main() {
  std::string problems;
  try {
    const auto history = brivanto_test::fetch_history(brivanto_test::fixture_url("service"));
    if (history.now_playing.size() != 2 || history.scrobbles.size() != 2) {
      problems += std::to_string(history.now_playing.size()) + " now-playing notices and " +
                  std::to_string(history.scrobbles.size()) + " scrobbles, expected 2 and 2\n";
    }
    const char* const played[][3] = {{"Кино", "Группа крови", "200"}, {"Земфира", "Хочешь?", "30"}};
    for (const auto& [artist, title, duration] : played) {
      std::string found;
      for (const auto& call : history.scrobbles) {
        // Playback time is simulated: the track started moments before it was scrobbled.
        const long long age = call.received_at - std::stoll(call.params.at("timestamp"));
        if (call.params.at("track") == title) {
          found += call.params.at("artist") + " " + call.params.at("duration") + " " +
                   (age >= 0 && age < 120 ? "on time" : "at " + std::to_string(age) + " s") + ";";
        }
      }
      if (found != std::string(artist) + " " + duration + " on time;") {
        problems += std::string(title) + ": scrobbled as [" + found + "]\n";
      }
    }
  } catch (const std::exception& e) {
    problems += std::string(e.what()) + "\n";
  }
  std::cerr << problems;
  return problems.empty() ? 0 : 1;
}
