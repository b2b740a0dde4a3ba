// fbplayer: a small headless player that loads a component library the way the real player
// does, offers it the host services, keeps its configuration in a profile folder, and plays a
// scripted playlist in simulated time.
//
//   fbplayer --component PATH --profile DIR [--script FILE] [--speed X]
//
// Standard output carries the console (and popup messages) and nothing else; everything the
// player itself says goes to standard error. Exit status: 0 done, 1 the player could not run
// the component or save its configuration, 2 a bad command line or script command, 3 an
// expected console line did not come. A stored configuration that cannot be read is reported,
// and the component runs with its defaults, which are not saved over it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "player/host/host.h"
#include "player/platform.h"
#include "player/player.h"
#include "player/profile.h"
#include "player/script.h"
#include "sdk/client.h"
#include "sdk/component_services.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

constexpr int kFailure = 1;
constexpr int kBadInput = 2;
constexpr int kExpectFailed = 3;

struct Options {
  std::string component;
  std::string profile;
  std::string script;
  double speed = 0;
};

int usage(const std::string& problem) {
  std::cerr << "fbplayer: " << problem << "\n"
            << "usage: fbplayer --component PATH --profile DIR [--script FILE] [--speed X]\n";
  return kBadInput;
}

int fail(const std::string& message) {
  std::cerr << "fbplayer: " << message << "\n";
  return kFailure;
}

// The host outlives everything the component starts: a background thread of the component may
// still be letting go of a host service when the player ends, so it is never destroyed. A
// static pointer keeps it reachable for the leak check at the end.
fbplayer::Host& the_host() {
  static auto* const host = new fbplayer::Host();
  return *host;
}

// Lines of standard input, read by a thread of their own so that the main thread goes on
// running the component's tasks, and printing their console lines, while it waits for the next
// command, as a player's main loop does. Shared with the reader, which may still be blocked in
// a read when the player ends.
struct InputLines {
  std::mutex mutex;
  std::deque<std::string> lines;
  bool ended = false;
};

std::shared_ptr<InputLines> read_standard_input(fbplayer::MainThreadQueue& main_thread) {
  auto input = std::make_shared<InputLines>();
  std::thread([input, &main_thread] {
    std::string line;
    for (bool more = true; more;) {
      more = static_cast<bool>(std::getline(std::cin, line));
      {
        const std::lock_guard lock(input->mutex);
        if (more) {
          input->lines.push_back(std::move(line));
        } else {
          input->ended = true;
        }
      }
      main_thread.wake();
    }
  }).detach();
  return input;
}

// The next line of `input`, running main-thread tasks until it comes; false at its end.
bool next_input_line(InputLines& input, fbplayer::MainThreadQueue& main_thread, std::string& line) {
  const auto arrived = [&input] {
    const std::lock_guard lock(input.mutex);
    return !input.lines.empty() || input.ended;
  };
  while (!main_thread.run_until(
      arrived, fbplayer::MainThreadQueue::Clock::now() + std::chrono::minutes(1))) {
  }
  const std::lock_guard lock(input.mutex);
  if (input.lines.empty()) {
    return false;
  }
  line = std::move(input.lines.front());
  input.lines.pop_front();
  return true;
}

// Runs the commands that `next_line` gives until the end, `quit`, or the first failure; the
// exit status.
int play_script(fbplayer::Player& player, const std::function<bool(std::string&)>& next_line,
                bool prompt) {
  std::string error;
  int status = 0;
  std::string line;
  for (int number = 1;; ++number) {
    if (prompt) {
      std::cerr << "fbplayer> " << std::flush;
    }
    if (!next_line(line)) {
      break;
    }
    fbplayer::Command command;
    if (!fbplayer::parse_command(line, command, error)) {
      std::cerr << "fbplayer: line " << number << ": " << error << "\n";
      status = kBadInput;
      break;
    }
    const auto outcome = player.execute(command, error);
    if (outcome == fbplayer::Player::Outcome::kQuit) {
      break;
    }
    if (outcome == fbplayer::Player::Outcome::kBadCommand ||
        outcome == fbplayer::Player::Outcome::kExpectFailed) {
      std::cerr << "fbplayer: line " << number << ": " << error << "\n";
      if (!prompt || outcome == fbplayer::Player::Outcome::kExpectFailed) {
        status = outcome == fbplayer::Player::Outcome::kBadCommand ? kBadInput : kExpectFailed;
        break;
      }
    }
  }

  return status;
}

// Hands the component its library path and stored configuration and starts its services. A
// stored configuration that cannot be read or is damaged still holds the listener's settings:
// it is reported and left alone, the component runs with its defaults, and false is returned
// so that nothing is saved over it.
bool start_component(fbplayer::Host& host, foobar2000_client& client, const std::string& path,
                     const fbplayer::Profile& profile) {
  namespace fs = std::filesystem;
  std::vector<std::uint8_t> records;
  std::string error;
  const bool stored_usable = profile.load(records, error);
  if (!stored_usable) {
    std::cerr << "fbplayer: " << error
              << "\nfbplayer: running with the default settings, which will not be saved over it\n";
    records.clear();
  }
  std::error_code ec;
  const std::string full_path = fs::absolute(path, ec).string();
  const std::string file_name = fs::path(path).filename().string();
  client.set_library_path((ec ? path : full_path).c_str(), file_name.c_str());
  stream_reader_memory stored(records.data(), records.size());
  abort_callback_dummy never_aborted;
  client.set_config(&stored, never_aborted);
  host.add_services(client.get_service_list());
  client.services_init(true);
  // A host warns when a component finds itself installed under the wrong file name, and runs
  // it all the same.
  for (const auto& validator : host.services<component_installation_validator>()) {
    if (!validator->is_installed_correctly()) {
      std::cerr << "fbplayer: " << path
                << " is not installed correctly: the component expects another file name\n";
    }
  }
  return stored_usable;
}

int run(const Options& options) {
  fbplayer::Host& host = the_host();
  host.console().set_sink([](std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  });

  std::string error;
  fbplayer::Library library;
  if (!library.open(options.component, error)) {
    return fail(error);
  }
  auto* entry = reinterpret_cast<foobar2000_get_interface_t>(library.symbol(kEntryPointName));
  if (entry == nullptr) {
    return fail(options.component + " has no entry " + kEntryPointName);
  }
  foobar2000_client* client = entry(&host, library.module_handle());
  if (client == nullptr || client->get_version() != foobar2000_client::kVersion) {
    return fail(options.component + " speaks another client interface version");
  }
  const fbplayer::Profile profile(options.profile,
                                  std::filesystem::path(options.component).filename().string());
  if (!profile.make_folder(error)) {
    std::cerr << "fbplayer: " << error << "\n";  // the component copes without one
  }
  host.set_profile_path(options.profile);
  const bool save_configuration = start_component(host, *client, options.component, profile);
  const auto initquits = host.services<initquit>();
  for (const auto& service : initquits) {
    service->on_init();
  }

  host.popups().set_sink([](const fbplayer::Popup& popup) {
    std::printf("[popup] %s: %s\n", popup.title.c_str(), popup.text.c_str());
    std::fflush(stdout);
  });
  fbplayer::Player player(host, options.speed, [](std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  });
  player.run_tasks();

  std::ifstream script_file;
  if (!options.script.empty()) {
    script_file.open(options.script);
    if (!script_file) {
      return fail("cannot read script " + options.script);
    }
  }
  const bool prompt = options.script.empty() && fbplayer::stdin_is_terminal();
  std::function<bool(std::string&)> next_line = [&script_file](std::string& line) {
    return static_cast<bool>(std::getline(script_file, line));
  };
  if (options.script.empty()) {
    next_line = [input = read_standard_input(host.main_thread()), &host](std::string& line) {
      return next_input_line(*input, host.main_thread(), line);
    };
  }

  int status = play_script(player, next_line, prompt);

  player.close_page();
  for (const auto& service : initquits) {
    service->on_quit();
  }
  player.run_tasks();
  stream_writer_buffer config;
  abort_callback_dummy never_aborted;
  client->get_config(&config, never_aborted);
  if (save_configuration && !profile.save(config.data(), error)) {
    std::cerr << "fbplayer: " << error << "\n";
    status = status == 0 ? kFailure : status;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (i + 1 == args.size()) {
      return usage("missing value after " + arg);
    }
    const std::string& value = args[++i];
    if (arg == "--component") {
      options.component = value;
    } else if (arg == "--profile") {
      options.profile = value;
    } else if (arg == "--script") {
      options.script = value;
    } else if (arg == "--speed") {
      const auto speed = fbplayer::parse_number(value);
      if (!speed || *speed <= 0) {
        return usage("--speed needs a number above 0");
      }
      options.speed = *speed;
    } else {
      return usage("unknown option " + arg);
    }
  }
  if (options.component.empty() || options.profile.empty()) {
    return usage("--component and --profile are required");
  }
  int status = kFailure;
  try {
    status = run(options);
  } catch (const std::exception& e) {  // a failure of the system, not of the script
    std::cerr << "fbplayer: " << e.what() << "\n";
  }
  std::fflush(stdout);
  std::fflush(stderr);
#if defined(__SANITIZE_ADDRESS__)
  // The run is over: whatever the component still holds and cannot reach is a leak. Ends the
  // process with a failure status when it finds one.
  __lsan_do_leak_check();
#endif
  // Background tasks of the component may still be running; they hold copies of what they use
  // but not of the process's static objects, so leave without destroying those under them.
  std::_Exit(status);
}
