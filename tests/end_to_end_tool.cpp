// Both ends of the end-to-end test around a run of fbplayer with the component:
//
//   end_to_end_tool prepare PROFILE   a profile authorized with a fresh session of the
//                                     stand-in service
//   end_to_end_tool check PROFILE     what the service received during the run, and the
//                                     configuration the player saved
//
// Exit status 0 when all is well; otherwise 1, with the reasons on standard error.
#include <chrono>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "build_config.h"
#include "sdk/cfg_var.h"
#include "settings/settings.h"
#include "tests/support/fixture_url.h"
#include "tests/support/settings_reset.h"
#include "tests/support/stand_in_service.h"

namespace {

namespace fs = std::filesystem;
using foo_brivanto::session_key;
using foo_brivanto::settings_version;

long long unix_now() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

fs::path configuration_file(const fs::path& profile) {
  return profile / "configuration" / (std::string(foo_brivanto::kLibraryFileName) + ".cfg");
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

void prepare(const fs::path& profile) {
  fs::remove_all(profile);
  fs::create_directories(profile / "configuration");
  const std::string session = brivanto_test::new_session_key(brivanto_test::fixture_url("service"));
  brivanto_test::reset_settings(session);
  stream_writer_buffer records;
  cfg_var_writer::config_write_file(records);
  write_file(configuration_file(profile),
             std::string(records.data().begin(), records.data().end()));
  write_file(profile / "session", session);
  write_file(profile / "started", std::to_string(unix_now()));
}

int check(const fs::path& profile) {
  int failures = 0;
  const auto expect = [&failures](bool ok, const std::string& what) {
    if (!ok) {
      std::cerr << "end_to_end_tool: " << what << "\n";
      ++failures;
    }
  };
  const std::string session = read_file(profile / "session");
  const long long started = std::stoll(read_file(profile / "started"));
  const long long now = unix_now();
  const auto history = brivanto_test::fetch_history(brivanto_test::fixture_url("service"), session);

  expect(history.now_playing.size() == 2,
         "expected 2 now-playing notices, got " + std::to_string(history.now_playing.size()));
  expect(history.scrobbles.size() == 2,
         "expected 2 scrobbles, got " + std::to_string(history.scrobbles.size()));
  const struct {
    const char* title;
    const char* duration;
  } expected[] = {{"Группа крови", "200"}, {"Хочешь?", "30"}};
  for (const auto& e : expected) {
    bool found = false;
    for (const auto& call : history.scrobbles) {
      if (call.params.at("track") != e.title) {
        continue;
      }
      found = true;
      const long long timestamp = std::stoll(call.params.at("timestamp"));
      expect(call.params.at("duration") == e.duration,
             std::string(e.title) + ": duration " + call.params.at("duration"));
      expect(timestamp >= started && timestamp <= now,
             std::string(e.title) + ": timestamp " + std::to_string(timestamp) +
                 " outside the run " + std::to_string(started) + ".." + std::to_string(now));
    }
    expect(found, std::string("no scrobble of ") + e.title);
  }

  // The player stored the configuration again at the end of its run.
  brivanto_test::reset_settings();
  settings_version = 0;
  const std::string stored = read_file(configuration_file(profile));
  stream_reader_memory reader(stored.data(), stored.size());
  cfg_var_reader::config_read_file(reader);
  expect(session_key.get() == session, "the saved configuration lost the session key");
  expect(settings_version == foo_brivanto::kSettingsVersion,
         "the saved configuration has version " + std::to_string(settings_version));
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() != 2 || (args[0] != "prepare" && args[0] != "check")) {
    std::cerr << "usage: end_to_end_tool prepare|check PROFILE\n";
    return 2;
  }
  try {
    if (args[0] == "prepare") {
      prepare(args[1]);
      return 0;
    }
    return check(args[1]);
  } catch (const std::exception& e) {
    std::cerr << "end_to_end_tool: " << e.what() << "\n";
    return 1;
  }
}
