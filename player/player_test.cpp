#include "player/player.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "player/script.h"
#include "tests/support/attached_host.h"

namespace fbplayer {
namespace {

std::string num(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

// Writes down every playback event it hears, and any that comes off the main thread.
class Recorder : public play_callback_impl_base {
 public:
  Recorder() : play_callback_impl_base(~0U) {}
  virtual ~Recorder() = default;
  std::string log;

 private:
  void note(const std::string& event) {
    log += (std::this_thread::get_id() == main_ ? " " : " off-main:") + event;
  }
  static std::string track(const metadb_handle_ptr& track) {
    metadb_info_container_ptr container;
    if (!track->get_info_ref(container)) {
      return "?";
    }
    const file_info& info = container->info();
    return std::string(info.meta_get("title", 0)) + "/" + num(info.get_length());
  }
  void on_new_track(const metadb_handle_ptr& t) override { note("new:" + track(t)); }
  void on_stop(play_control::t_stop_reason r) override { note("stop:" + num(r)); }
  void on_seek(double time) override { note("seek:" + num(time)); }
  void on_pause(bool paused) override { note("pause:" + num(paused)); }
  void on_edited(const metadb_handle_ptr& t) override { note("edit:" + track(t)); }
  void on_dynamic_info(const file_info& i) override { note(std::string("dyn:") + i.info_get("k")); }
  void on_time(double time) override { note("time:" + num(time)); }
  std::thread::id main_ = std::this_thread::get_id();
};

// Scripts ("~" between lines) and the events they must bring, on the main thread; every track
// reference the callback was handed is given back.
TEST(PlayerTest, TellsTheComponentWhatItPlaysOnTheMainThread) {
  const struct {
    const char* script;
    const char* events;
  } cases[] = {
      {"add length=2.5 title=a~add length=1 title=b~play~wait 9",
       " new:a/2.5 time:1 time:2 stop:2 new:b/1 stop:1"},
      {"add length=10 title=a~play~seek 4~wait 1~pause~wait 3~resume~dynamic k=d~next",
       " new:a/10 seek:4 time:5 pause:1 pause:0 dyn:d stop:0"},
      {R"(add length=10 title=a # comment~play~edit title="say \"hi\" \\" length=7)",
       R"( new:a/10 edit:say "hi" \/7)"},
  };
  for (const auto& c : cases) {
    brivanto_test::AttachedHost host;
    Recorder recorder;
    Player player(*host, 0);
    std::istringstream script(c.script);
    for (std::string line; std::getline(script, line, '~');) {
      Command command;
      std::string error;
      ASSERT_TRUE(parse_command(line, command, error)) << error;
      ASSERT_EQ(player.execute(command, error), Player::Outcome::kContinue) << error;
    }
    EXPECT_EQ(recorder.log, c.events);
  }
  EXPECT_EQ(Track::live_count(), 0);  // each track handed over came back
}

}  // namespace
}  // namespace fbplayer
