// Opening the journal file (open_journal_file, journal_store.h): reading it, and mending or
// setting aside what is wrong with it, with a note for each thing the listener should know.
#include <utility>

#include "journal/durable_file.h"
#include "journal/journal_file_store.h"
#include "journal/journal_load.h"

namespace foo_brivanto {
namespace {

std::string waiting(std::size_t count) {
  return concat({std::to_string(count), count == 1 ? " waiting scrobble" : " waiting scrobbles"});
}

std::string bytes_text(std::uint64_t count) {
  return concat({std::to_string(count), count == 1 ? " byte" : " bytes"});
}

// What opening found, and the store it makes.
class Opening {
 public:
  Opening(std::string folder, std::vector<std::string>& notes, std::string& error)
      : folder_(std::move(folder)),
        path_(join_path(folder_, kJournalFileName)),
        notes_(notes),
        error_(error) {}

  std::unique_ptr<JournalStore> open() {
    std::string bytes;
    std::uint64_t size = 0;
    switch (read_file(path_, kMaxJournalFileBytes, bytes, size, error_)) {
      case ReadOutcome::missing:
        return store_without_file();
      case ReadOutcome::failed:
        return nullptr;
      case ReadOutcome::too_big:
        return start_anew("too-big", concat({" is too big to be a journal (", bytes_text(size),
                                             ", at most ", bytes_text(kMaxJournalFileBytes), ")"}));
      case ReadOutcome::read:
        break;
    }
    if (bytes.empty()) {
      // Nothing to lose: a new journal takes its place now, or else at the first keep.
      notes_.push_back(concat({path_, " was empty: a new journal starts"}));
      std::string ignored;
      if (!replace_file(path_, encode_journal({}, 1), ignored)) {
        return store_without_file();
      }
      bytes = encode_journal({}, 1);
    }
    LoadedJournal loaded = load_journal(bytes);
    if (loaded.header == HeaderCheck::other_version) {
      const std::string version = std::to_string(loaded.version);
      return start_anew(concat({"version-", version}),
                        concat({" was written in another format (version ", version,
                                ") by another version of the component"}));
    }
    return mend(std::move(loaded), bytes.size());
  }

 private:
  std::unique_ptr<JournalStore> store_without_file() {
    return std::make_unique<FileJournalStore>(folder_, path_, std::deque<KeptScrobble>(), 1,
                                              kJournalHeaderSize, nullptr);
  }

  // A file that cannot be read as a journal of ours is set aside, never overwritten, and a new
  // journal starts beside it.
  std::unique_ptr<JournalStore> start_anew(const std::string& label, const std::string& why) {
    std::string kept_as;
    std::string reason;
    if (!set_file_aside(path_, label, kept_as, reason)) {
      error_ = concat({path_, why, ", and cannot be set aside: ", reason});
      return nullptr;
    }
    notes_.push_back(concat({path_, why, ": set aside as ", kept_as, "; a new journal starts"}));
    return store_without_file();
  }

  std::unique_ptr<JournalStore> mend(LoadedJournal loaded, std::uint64_t size) {
    const std::size_t count = loaded.entries.size();
    std::vector<std::string> found;
    std::string reason;
    std::string kept_as;
    std::uint64_t end = size;  // where the next append starts
    if (loaded.header != HeaderCheck::journal || loaded.damaged_parts > 0) {
      // Damaged: its good records go to a new file, and the damaged one is kept as it is.
      const std::string what =
          loaded.header != HeaderCheck::journal
              ? concat({path_, " does not start as a journal (damaged, or not a journal at all)"})
              : concat({path_, " has damaged records: ", damage_text(loaded), " skipped"});
      if (!replace_file_keeping_old(path_, encode_journal(loaded.entries, loaded.next_id),
                                    "damaged", kept_as, reason)) {
        error_ = concat({what, ", and cannot be mended: ", reason});
        return nullptr;
      }
      const std::string kept =
          count == 0
              ? std::string("nothing in it could be read")
              : concat({waiting(count), " found in it ", count == 1 ? "is" : "are", " kept"});
      found.push_back(concat({what, "; ", kept, ", and the damaged file is kept as ", kept_as}));
      end = loaded.live_bytes;
    } else if (loaded.torn_bytes > 0 || loaded.over_capacity > 0 ||
               worth_compacting_on_open(size, loaded.live_bytes)) {
      // A torn last record, forgotten records and entries beyond the capacity are left out:
      // the file is written anew. When it cannot be, the torn bytes are cut off by the first
      // append.
      end = replace_file(path_, encode_journal(loaded.entries, loaded.next_id), reason)
                ? loaded.live_bytes
                : size - loaded.torn_bytes;
    }
    if (loaded.header == HeaderCheck::journal && loaded.damaged_parts == 0 &&
        loaded.torn_bytes > 0) {
      found.push_back(concat({"dropped a torn last record of ", path_, " (",
                              bytes_text(loaded.torn_bytes), ", from a write cut short); the ",
                              waiting(count), " before it ", count == 1 ? "is" : "are", " kept"}));
    }
    if (loaded.over_capacity > 0) {
      found.push_back(concat({path_, " held more than ", std::to_string(kJournalCapacity),
                              " waiting scrobbles: the ", std::to_string(loaded.over_capacity),
                              " oldest were dropped"}));
    }
    std::unique_ptr<AppendFile> file = open_append_file(path_, end, error_);
    if (!file) {
      return nullptr;
    }
    notes_.insert(notes_.end(), found.begin(), found.end());
    return std::make_unique<FileJournalStore>(folder_, path_, std::move(loaded.entries),
                                              loaded.next_id, loaded.live_bytes, std::move(file));
  }

  static std::string damage_text(const LoadedJournal& loaded) {
    const std::string bytes = bytes_text(loaded.damaged_bytes);
    return loaded.damaged_parts == 1 ? concat({"a damaged part (", bytes, ")"})
                                     : concat({std::to_string(loaded.damaged_parts),
                                               " damaged parts (", bytes, " in all)"});
  }

  std::string folder_;
  std::string path_;
  std::vector<std::string>& notes_;
  std::string& error_;
};

}  // namespace

std::unique_ptr<JournalStore> open_journal_file(const std::string& folder,
                                                std::vector<std::string>& notes,
                                                std::string& error) {
  if (folder.empty()) {
    error = "no folder to keep the journal in";
    return nullptr;
  }
  return Opening(folder, notes, error).open();
}

}  // namespace foo_brivanto
