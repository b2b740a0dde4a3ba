// Reading a journal's bytes into its waiting entries (journal_load.h).
#include "journal/journal_load.h"

#include <algorithm>
#include <vector>

namespace foo_brivanto {
namespace {

// The kept records in file order, each with whether a forgotten record has ended it. Entries
// are decoded only once the survivors are known: most records of a long-lived journal were
// forgotten, and decoding costs an allocation per text.
class KeptRecords {
 public:
  explicit KeptRecords(std::size_t bytes) {
    records_.reserve(bytes / 64);  // about one kept record in so many bytes
    waiting_.reserve(bytes / 64);
  }

  void keep(const JournalRecord& record) {
    in_order_ = in_order_ && (records_.empty() || record.id > records_.back().id);
    records_.push_back(record);
    waiting_.push_back(1);
    ++waiting_count_;
  }

  void forget(std::uint64_t id) {
    // Ids grow in the order of keeping, so a search by halves finds the record; a file whose
    // ids are out of order (it never should be) is searched from the start.
    std::size_t index = 0;
    if (in_order_) {
      const auto found = std::lower_bound(
          records_.begin(), records_.end(), id,
          [](const JournalRecord& record, std::uint64_t wanted) { return record.id < wanted; });
      index = static_cast<std::size_t>(found - records_.begin());
    } else {
      while (index < records_.size() && (records_[index].id != id || waiting_[index] == 0)) {
        ++index;
      }
    }
    if (index < records_.size() && records_[index].id == id && waiting_[index] != 0) {
      waiting_[index] = 0;
      --waiting_count_;
    }
  }

  // Moves the waiting entries, at most `capacity` of them (the newest), into `loaded`.
  void take_waiting(std::size_t capacity, LoadedJournal& loaded) const {
    std::size_t skip = waiting_count_ > capacity ? waiting_count_ - capacity : 0;
    loaded.over_capacity = skip;
    for (std::size_t i = 0; i < records_.size(); ++i) {
      if (waiting_[i] == 0) {
        continue;
      }
      if (skip > 0) {
        --skip;
        continue;
      }
      loaded.entries.push_back(decode_kept(records_[i]));
      loaded.live_bytes += records_[i].size;
    }
  }

 private:
  std::vector<JournalRecord> records_;
  std::vector<char> waiting_;  // bytes, not bits: a bit vector is slower to fill
  std::size_t waiting_count_ = 0;
  bool in_order_ = true;
};

}  // namespace

LoadedJournal load_journal(std::string_view file) {
  LoadedJournal loaded;
  JournalHeader header;
  loaded.header = read_header(file, header);
  if (loaded.header == HeaderCheck::other_version) {
    loaded.version = header.version;
    return loaded;
  }
  // A file that does not start as a journal is searched from its first byte: its records may
  // be good behind a damaged header.
  const bool journal = loaded.header == HeaderCheck::journal;
  RecordReader reader(journal ? file.substr(kJournalHeaderSize) : file);
  KeptRecords kept(file.size());
  std::uint64_t next_id = std::max<std::uint64_t>(journal ? header.next_id : 1, 1);
  JournalRecord record;
  while (reader.next(record)) {
    if (record.kind == RecordKind::kept) {
      kept.keep(record);
      next_id = std::max(next_id, record.id + 1);
    } else {
      kept.forget(record.id);
    }
  }
  loaded.next_id = next_id;
  loaded.live_bytes = kJournalHeaderSize;
  kept.take_waiting(kJournalCapacity, loaded);
  loaded.damaged_parts = reader.damaged_parts();
  loaded.damaged_bytes = reader.damaged_bytes();
  loaded.torn_bytes = reader.torn_bytes();
  return loaded;
}

std::string encode_journal(const std::deque<KeptScrobble>& entries, std::uint64_t next_id) {
  std::size_t size = kJournalHeaderSize;
  for (const KeptScrobble& entry : entries) {
    size += kept_record_size(entry.track);
  }
  std::string bytes;
  bytes.reserve(size);
  append_header(bytes, next_id);
  for (const KeptScrobble& entry : entries) {
    append_kept_record(bytes, entry);  // each was decoded from a record, or kept, so it fits
  }
  return bytes;
}

}  // namespace foo_brivanto
