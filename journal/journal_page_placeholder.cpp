// TEMPORARY (page branch): a stand-in for the journal behind journal/journal.h, so that the
// preferences page builds and runs before the journal's own implementation is merged. It keeps
// nothing on disk and sends nothing: it holds a count of waiting scrobbles in memory, which
// only discard_journal() changes. The lead deletes this file at the merge.
#include <map>
#include <utility>

#include "journal/journal.h"

namespace foo_brivanto {
namespace {

JournalStatus g_status{true, 0, 0};
std::map<std::uint64_t, std::function<void()>> g_listeners;
std::uint64_t g_last_token = 0;

void notify() {
  const auto listeners = g_listeners;  // a listener may remove itself
  for (const auto& [token, listener] : listeners) {
    listener();
  }
}

}  // namespace

// NOLINTNEXTLINE(performance-unnecessary-value-param): the signature is journal.h's
void start_journal(bool /*enabled*/, std::string /*session_key*/) {}

void stop_journal() {}

// NOLINTNEXTLINE(performance-unnecessary-value-param): the signature is journal.h's
void configure_journal(bool /*enabled*/, std::string /*session_key*/) {}

JournalStatus journal_status() {
  return g_status;
}

void discard_journal() {
  g_status.waiting = 0;
  g_status.oldest_started_at = 0;
  notify();
}

std::uint64_t add_journal_listener(std::function<void()> listener) {
  g_listeners.emplace(++g_last_token, std::move(listener));
  return g_last_token;
}

void remove_journal_listener(std::uint64_t token) {
  g_listeners.erase(token);
}

}  // namespace foo_brivanto
