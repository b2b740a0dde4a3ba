// Kept scrobbles (opt-in, the switch keep_unsent_scrobbles): a scrobble that could not be sent
// for a reason that a later try can cure is kept in a journal file in the player's profile
// folder (foo_brivanto/), and sent later, oldest first, one request at a time, when the service
// is back. With the switch off nothing is kept, nothing is sent from the journal, and a journal
// left from an earlier run stays on disk untouched.
//
// This header is what the rest of the component sees of it: the start and stop of the
// component, the page's switch, status line and "Discard" button. All of it is called on the
// main thread, which never waits here for the disk's flush or for the network: the journal's
// disk work and its sending run in the background.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace foo_brivanto {

// What waits in the journal, for the page's status line.
struct JournalStatus {
  // False until the journal file has been read at start-up, and while it cannot be read.
  bool loaded = false;
  // Scrobbles kept and not yet accepted by the service or dropped.
  std::size_t waiting = 0;
  // Unix seconds at which the oldest waiting scrobble's track started; 0 when nothing waits.
  std::int64_t oldest_started_at = 0;
};

// Starts the journal with the stored switch and session key (at component start, after the
// settings are upgraded). The folder is the player's profile folder, from the host. With the
// switch off and no journal on disk, no file or folder is created.
void start_journal(bool enabled, std::string session_key);

// Stops the journal's background work (at component stop). Returns at once: a send under way
// ends in the background, and what it finds is still written to the journal.
void stop_journal();

// The switch or the session key changed (the page was applied; an authorization was stored or
// cleared). A new session key sends what waits.
void configure_journal(bool enabled, std::string session_key);

// What waits now.
JournalStatus journal_status();

// Empties the journal (the page's "Discard", after the user confirmed it).
void discard_journal();

// "1 scrobble", "3 scrobbles": how the console and the page count what waits.
inline std::string scrobble_count(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " scrobble" : " scrobbles");
}

// `listener` runs on the main thread whenever journal_status() may have changed, until it is
// removed. Returns the token that removes it.
std::uint64_t add_journal_listener(std::function<void()> listener);
void remove_journal_listener(std::uint64_t token);

}  // namespace foo_brivanto
