// The journal's face to the component (journal.h): the engine of the player's profile folder,
// wired to the system clock, the service and the console, and the page's listeners.
#include "journal/journal.h"

#include <atomic>
#include <map>
#include <utility>

#include "api/service_identity.h"
#include "journal/journal_engine.h"
#include "sdk/console.h"
#include "sdk/core_api.h"
#include "sdk/main_thread.h"

namespace foo_brivanto {
namespace {

constexpr std::string_view kLinePrefix = "foo_brivanto: ";

// Main thread: the engine, the folder it keeps its file in, and the listeners.
std::shared_ptr<JournalEngine> g_engine;
std::string g_folder;
std::map<std::uint64_t, std::function<void()>> g_listeners;
std::uint64_t g_last_token = 0;
// Any thread: whether anyone listens, and whether a notification is queued and has not run
// yet (more changes need no second one).
std::atomic<std::size_t> g_listening{0};
std::atomic<bool> g_notification_queued{false};

void print_later(std::string text) {
  run_in_main_thread([line = std::string(kLinePrefix) + std::move(text)] { console::print(line); });
}

void notify_listeners_later() {
  if (g_listening == 0 || g_notification_queued.exchange(true)) {
    return;
  }
  run_in_main_thread([] {
    g_notification_queued = false;
    const auto listeners = g_listeners;  // a listener may remove itself
    for (const auto& [token, listener] : listeners) {
      listener();
    }
  });
}

std::shared_ptr<JournalEngine> make_engine(const std::string& folder) {
  JournalWiring wiring;
  wiring.open = [folder](std::vector<std::string>& notes, std::string& error) {
    if (folder.empty()) {
      error = "the player gives no profile folder";
      return std::unique_ptr<JournalStore>();
    }
    return open_journal_file(folder, notes, error);
  };
  wiring.send = send_through_api(std::string(service_base_url()), std::string(kApiKey),
                                 std::string(kSharedSecret));
  wiring.clock = system_journal_clock();
  wiring.report = print_later;
  wiring.changed = notify_listeners_later;
  return std::make_shared<JournalEngine>(std::move(wiring));
}

}  // namespace

std::shared_ptr<JournalEngine> running_journal() {
  return g_engine;
}

void start_journal(bool enabled, std::string session_key) {
  g_notification_queued = false;  // one queued before a stop was dropped unrun
  foobar2000_api* const host = core_api::host();
  const char* const profile = host != nullptr ? host->get_profile_path() : nullptr;
  const std::string folder = journal_folder(profile != nullptr ? profile : "");
  // The same folder keeps its engine across a stop and a start: scrobbles' tasks of before
  // the stop may still write to it, and two stores must never share one file.
  if (!g_engine || folder != g_folder) {
    if (g_engine) {
      g_engine->stop();
    }
    g_engine = make_engine(folder);
    g_folder = folder;
  }
  if (!g_engine->start(enabled, std::move(session_key))) {
    print_later("Journal: could not start a background thread; kept scrobbles are not sent");
  }
}

void stop_journal() {
  if (g_engine) {
    g_engine->stop();
  }
}

void configure_journal(bool enabled, std::string session_key) {
  if (g_engine) {
    g_engine->configure(enabled, std::move(session_key));
  }
}

JournalStatus journal_status() {
  return g_engine ? g_engine->status() : JournalStatus{};
}

void discard_journal() {
  if (g_engine) {
    g_engine->discard();
  }
}

std::uint64_t add_journal_listener(std::function<void()> listener) {
  g_listeners.emplace(++g_last_token, std::move(listener));
  g_listening = g_listeners.size();
  return g_last_token;
}

void remove_journal_listener(std::uint64_t token) {
  g_listeners.erase(token);
  g_listening = g_listeners.size();
}

}  // namespace foo_brivanto
