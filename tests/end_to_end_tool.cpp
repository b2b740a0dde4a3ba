// The check at the end of the end-to-end test: what the stand-in service received while
// fbplayer played tests/end_to_end_play.script. Exit status 0 when it is what the listener
// played; otherwise 1, with the reasons on standard error.
#include <exception>
#include <iostream>
#include <string>

#include "tests/support/fixture_url.h"
#include "tests/support/stand_in_service.h"

int main() {
  int failures = 0;
  const auto expect = [&failures](bool ok, const std::string& what) {
    if (!ok) {
      std::cerr << "end_to_end_tool: " << what << "\n";
      ++failures;
    }
  };
  try {
    const auto history = brivanto_test::fetch_history(brivanto_test::fixture_url("service"));
    expect(history.now_playing.size() == 2,
           "expected 2 now-playing notices, got " + std::to_string(history.now_playing.size()));
    expect(history.scrobbles.size() == 2,
           "expected 2 scrobbles, got " + std::to_string(history.scrobbles.size()));
    const struct {
      const char* artist;
      const char* title;
      const char* duration;
    } played[] = {{"Кино", "Группа крови", "200"}, {"Земфира", "Хочешь?", "30"}};
    for (const auto& track : played) {
      int found = 0;
      for (const auto& call : history.scrobbles) {
        if (call.params.at("track") != track.title) {
          continue;
        }
        ++found;
        // Playback time is simulated: the track started moments before it was scrobbled.
        const long long age = call.received_at - std::stoll(call.params.at("timestamp"));
        expect(call.params.at("artist") == track.artist &&
                   call.params.at("duration") == track.duration && age >= 0 && age < 120,
               std::string(track.title) + ": artist " + call.params.at("artist") + ", duration " +
                   call.params.at("duration") + ", sent " + std::to_string(age) +
                   " s after its start");
      }
      expect(found == 1, std::to_string(found) + " scrobbles of " + track.title);
    }
  } catch (const std::exception& e) {
    expect(false, e.what());
  }
  return failures == 0 ? 0 : 1;
}
