#include "tests/scenario/scenario.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "preferences/dialog_ids.h"

extern char** environ;  // NOLINT(readability-redundant-declaration): POSIX leaves it undeclared

namespace brivanto_test {

std::int64_t unix_now() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}
namespace {

using brivanto_service::Received;
using brivanto_service::TrackCall;
namespace fs = std::filesystem;

// The line that tells scenario_launcher to end the player; a comment, were the player to see it.
constexpr std::string_view kTerminateLine = "# scenario: terminate the player";

std::string variable(const char* name, bool required) {
  const char* value = std::getenv(name);  // NOLINT(concurrency-mt-unsafe): read before threads
  if (value == nullptr || *value == '\0') {
    if (required)
      throw std::runtime_error(std::string(name) + " is not set: run the scenarios through ctest");
    return "";
  }
  return value;
}

std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The exit status of a process as the shell shows it: the code, or 128 + the signal.
int exit_code(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A log file that the service's serving threads write to concurrently.
class ServiceLog {
 public:
  explicit ServiceLog(const std::string& path) : file_(path) {}
  void write(const std::string& line) {
    const std::lock_guard lock(mutex_);
    file_ << line << std::endl;
  }

 private:
  std::mutex mutex_;
  std::ofstream file_;
};

}  // namespace

void ScrobbleHold::pass(const brivanto_service::Params& params) {
  const auto method = params.find("method");
  const auto track = params.find("track");
  if (method == params.end() || method->second != "track.scrobble" || track == params.end())
    return;
  std::unique_lock lock(mutex_);
  if (title_.empty() || track->second != title_)
    return;
  ++holding_;
  changed_.notify_all();
  changed_.wait(lock, [&] { return title_.empty(); });
  --holding_;
}

void ScrobbleHold::hold(std::string title) {
  const std::lock_guard lock(mutex_);
  title_ = std::move(title);
}

void ScrobbleHold::release() {
  {
    const std::lock_guard lock(mutex_);
    title_.clear();
  }
  changed_.notify_all();
}

bool ScrobbleHold::wait_until_holding(std::size_t count, std::chrono::seconds deadline) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, deadline, [&] { return holding_ >= count; });
}

PlayerBuild PlayerBuild::from_environment() {
  PlayerBuild build;
  build.player = variable("BRIVANTO_SCENARIO_PLAYER", true);
  build.component = variable("BRIVANTO_SCENARIO_COMPONENT", true);
  build.directory = variable("BRIVANTO_SCENARIO_DIR", true);
  build.wine_run = variable("BRIVANTO_SCENARIO_WINE_RUN", false);
  build.launcher = variable("BRIVANTO_SCENARIO_LAUNCHER", build.windows());
  return build;
}

std::string PlayerBuild::player_path(const std::string& path) const {
  return windows() ? "Z:" + path : path;
}

Scenario::Scenario(const std::string& name)
    : build_(PlayerBuild::from_environment()), directory_(build_.directory + "/" + name) {
  fs::remove_all(directory_);
  fs::create_directories(directory_);
  brivanto_service::ServiceOptions options;
  options.approve_on_issue = true;
  auto log = std::make_shared<ServiceLog>(directory_ + "/service.log");
  options.log = [log](const std::string& line) { log->write(line); };
  options.before_answer = [hold = hold_](const brivanto_service::Params& params) {
    hold->pass(params);
  };
  service_ = std::make_unique<brivanto_service::Service>(options);
  std::string error;
  if (!service_->start(error))
    throw std::runtime_error("the stand-in service did not start: " + error);
  std::ofstream(directory_ + "/service-url") << service_->url() << "\n";
}

Scenario::~Scenario() {
  hold_->release();  // the service cannot stop while it holds a call
  // The player's destructor kills it when it still runs.
}

void Scenario::set_outage(brivanto_service::Outage outage) {
  std::string error;
  if (!service_->set_outage(outage, error))
    fail("cannot switch the service to " + std::string(outage_name(outage)) + ": " + error);
}

void Scenario::hold_scrobbles_of(std::string title) {
  hold_->hold(std::move(title));
}

void Scenario::wait_until_holding(std::size_t count, Seconds deadline) {
  if (!hold_->wait_until_holding(count, deadline)) {
    fail("the service did not hold " + std::to_string(count) + " scrobbles within " +
         std::to_string(deadline.count()) + " s");
  }
}

void Scenario::release_held() {
  hold_->release();
}

std::vector<std::string> Scenario::environment() const {
  const std::string url_file = "BRIVANTO_FIXTURE_SERVICE_URL_FILE=";
  std::vector<std::string> entries;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    if (!text.starts_with(url_file) && !text.starts_with("BROWSER="))
      entries.emplace_back(text);
  }
  entries.push_back(url_file + build_.player_path(directory_ + "/service-url"));
  entries.emplace_back("BROWSER=true");  // the Linux page's browser: opens nothing
  return entries;
}

void Scenario::start_player() {
  if (player_)
    fail("start_player: the player is running already");
  lines_.clear();
  matched_.clear();
  ++runs_;
  std::vector<std::string> argv;
  if (build_.windows())
    argv = {build_.wine_run, build_.launcher, std::string(kTerminateLine)};
  for (const std::string& arg : {build_.player_path(build_.player), std::string("--component"),
                                 build_.player_path(build_.component), std::string("--profile"),
                                 build_.player_path(profile())}) {
    argv.push_back(arg);
  }
  player_ = std::make_unique<ChildProcess>(argv, environment(), stderr_file());
}

std::string Scenario::stderr_file() const {
  return directory_ + "/player-" + std::to_string(runs_) + ".stderr";
}

void Scenario::send(std::string_view command) {
  if (!player_)
    fail("send: no player is running");
  read_available();
  if (!player_->write(std::string(command) + "\n"))
    fail("the player reads no more commands; it was sent: " + std::string(command));
}

void Scenario::read_available() {
  while (auto line = player_->read_line(ChildProcess::Clock::now())) {
    lines_.push_back(std::move(*line));
    matched_.push_back(false);
  }
}

std::string Scenario::wait_for_line(std::string_view text, Seconds deadline) {
  try {
    return wait_for_line_where(
        [text](const std::string& line) { return line.find(text) != std::string::npos; }, deadline);
  } catch (const std::runtime_error& e) {
    throw std::runtime_error("waiting for a console line containing \"" + std::string(text) +
                             "\": " + e.what());
  }
}

std::string Scenario::wait_for_line_where(const std::function<bool(const std::string&)>& match,
                                          Seconds deadline) {
  if (!player_)
    fail("wait_for_line: no player is running");
  const auto until = ChildProcess::Clock::now() + deadline;
  for (std::size_t i = 0;; ++i) {
    if (i == lines_.size()) {
      auto line = player_->read_line(until);
      if (!line) {
        fail(std::string(player_->output_ended() ? "the player ended" : "no line came") +
             " before the console line looked for, within " + std::to_string(deadline.count()) +
             " s");
      }
      lines_.push_back(std::move(*line));
      matched_.push_back(false);
    }
    if (!matched_[i] && match(lines_[i])) {
      matched_[i] = true;
      return lines_[i];
    }
  }
}

int Scenario::kill_player() {
  if (!player_)
    fail("kill_player: no player is running");
  if (build_.windows()) {
    // The launcher ends the player with TerminateProcess, then ends itself.
    if (!player_->write(std::string(kTerminateLine) + "\n"))
      fail("kill_player: the launcher reads no more commands");
  } else {
    player_->kill();
  }
  const auto until = ChildProcess::Clock::now() + kDeadline;
  const auto status = player_->wait(until);
  if (!status) {
    player_->kill();
    fail("kill_player: the player did not end within " + std::to_string(kDeadline.count()) + " s");
  }
  while (auto line = player_->read_line(until)) {  // what it printed before it died
    lines_.push_back(std::move(*line));
    matched_.push_back(false);
  }
  player_.reset();
  return exit_code(*status);
}

int Scenario::quit_player() {
  send("quit");
  player_->close_input();
  const auto until = ChildProcess::Clock::now() + kDeadline;
  while (auto line = player_->read_line(until)) {
    lines_.push_back(std::move(*line));
    matched_.push_back(false);
  }
  const auto status = player_->wait(until);
  if (!status)
    fail("quit_player: the player did not end within " + std::to_string(kDeadline.count()) + " s");
  player_.reset();
  return exit_code(*status);
}

void Scenario::authorize() {
  const std::string click = "prefs click " + std::to_string(IDC_AUTH);
  send("prefs open");
  send(click);  // "Request authorization": the service approves the token as it issues it
  wait_for_line("Approve in browser, then click Complete authorization");
  send(click);  // "Complete authorization"
  wait_for_line("Authorized (session key saved)");
  send("prefs close");
}

void Scenario::turn_on_keeping() {
  send("prefs open");
  send("prefs click " + std::to_string(IDC_KEEP_UNSENT));
  send("prefs apply");
  send("prefs show");
  const std::string box = "[prefs] " + std::to_string(IDC_KEEP_UNSENT) + " ";
  const std::string shown = wait_for_line(box);
  if (!shown.ends_with(" 1"))
    fail("the check box did not turn on: " + shown);
  send("prefs close");
}

std::vector<Received> Scenario::scrobbles() const {
  return service_->registry().received(TrackCall::kScrobble);
}

std::vector<Received> Scenario::now_playing() const {
  return service_->registry().received(TrackCall::kNowPlaying);
}

std::vector<Received> Scenario::wait_for_scrobbles(std::size_t count, Seconds deadline) {
  if (!service_->registry().wait_until_received(TrackCall::kScrobble, count, deadline)) {
    fail("the service accepted " + std::to_string(scrobbles().size()) + " scrobbles, not " +
         std::to_string(count) + ", within " + std::to_string(deadline.count()) + " s");
  }
  return scrobbles();
}

void Scenario::fail(const std::string& what) const {
  std::string message = what + "\nconsole of run " + std::to_string(runs_) + ":\n";
  for (const std::string& line : lines_)
    message += "  " + line + "\n";
  message += "its standard error (" + stderr_file() + "):\n" + read_file(stderr_file());
  message += "service log: " + directory_ + "/service.log";
  throw std::runtime_error(message);
}

}  // namespace brivanto_test
