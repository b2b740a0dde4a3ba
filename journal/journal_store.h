// The journal's storage: the kept scrobbles, in the order they were kept, and the file that
// holds them across restarts (and crashes).
//
// A store is not synchronised: its one owner (the journal's engine, journal_engine.h) calls it
// under its own lock, from background threads only, never from the player's main thread,
// since every change is flushed to the device before the call returns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "api/track_info.h"

namespace foo_brivanto {

// At most this many scrobbles wait; keeping one more drops the oldest.
inline constexpr std::size_t kJournalCapacity = 10000;

// One kept scrobble: exactly what is sent for it, whenever that is.
struct KeptScrobble {
  std::uint64_t id = 0;  // unique in its store, increasing in the order of keeping
  TrackInfo track;       // its own tags, duration and timestamp (the moment it started)
};

class JournalStore {
 public:
  virtual ~JournalStore() = default;

  // Keeps `track` after the others. On return it is durable (flushed to the device) and
  // `kept` holds its entry. When the store was full, the oldest entry was dropped to make room
  // and is in `dropped` (which holds nothing else). False with a text in `error` when it could
  // not be made durable, or when its tags are too long for the journal (more than 4,069 bytes
  // together, far beyond real tags); the store is then unchanged.
  virtual bool keep(const TrackInfo& track, KeptScrobble& kept, std::vector<KeptScrobble>& dropped,
                    std::string& error) = 0;

  // Forgets entry `id` (accepted by the service, or rejected for good); durable on return.
  // Forgetting an entry that is not there succeeds. False with a text in `error` when the
  // change could not be made durable.
  virtual bool forget(std::uint64_t id, std::string& error) = 0;

  // Forgets every entry; durable on return.
  virtual bool forget_all(std::string& error) = 0;

  // The waiting entries, oldest first.
  virtual const std::deque<KeptScrobble>& entries() const = 0;

 protected:
  JournalStore() = default;
};

// The journal file "journal.bin" in `folder` (UTF-8 path). When there is no file, opening
// creates nothing: the folder and the file are made by the first keep. A file that needs
// mending is never overwritten: it is set aside under a name of its own, and its good records
// are written anew. What opening found that the user should know of (a damaged record
// skipped, a torn last record dropped, a file of another version or a damaged file set aside)
// is in `notes`, one console text each. Null with a text in `error` when the folder or file
// cannot be used at all.
//
// Each note and error is what follows "Journal: " on the console: an English sentence that
// names the file by its full path (and a file set aside by its new one), and, for an error,
// the system's reason, e.g. "cannot write C:\...\journal.bin: Access is denied (error 5)".
// A folder that cannot be made, or a full disk, shows at the first keep: its `error` then
// names the folder or file the same way. A file of many megabytes is never read whole: one
// larger than any journal can grow (128 MiB) is set aside unread.
std::unique_ptr<JournalStore> open_journal_file(const std::string& folder,
                                                std::vector<std::string>& notes,
                                                std::string& error);

}  // namespace foo_brivanto
