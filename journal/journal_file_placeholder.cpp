// TEMPORARY, deleted when the journal's file storage is merged: open_journal_file as an
// in-memory store, so that the engine and the component build and run on this branch. What it
// keeps lasts as long as the process, one store per folder, and nothing touches the disk.
#include <algorithm>
#include <map>
#include <mutex>

#include "journal/journal_store.h"

namespace foo_brivanto {
namespace {

class PlaceholderStore final : public JournalStore {
 public:
  explicit PlaceholderStore(std::deque<KeptScrobble>& entries) : entries_(entries) {}

  bool keep(const TrackInfo& track, KeptScrobble& kept, std::vector<KeptScrobble>& dropped,
            std::string& /*error*/) override {
    if (entries_.size() >= kJournalCapacity) {
      dropped.push_back(entries_.front());
      entries_.pop_front();
    }
    kept = {(entries_.empty() ? last_id_ : std::max(last_id_, entries_.back().id)) + 1, track};
    last_id_ = kept.id;
    entries_.push_back(kept);
    return true;
  }
  bool forget(std::uint64_t id, std::string& /*error*/) override {
    std::erase_if(entries_, [id](const KeptScrobble& e) { return e.id == id; });
    return true;
  }
  bool forget_all(std::string& /*error*/) override {
    entries_.clear();
    return true;
  }
  const std::deque<KeptScrobble>& entries() const override { return entries_; }

 private:
  std::deque<KeptScrobble>& entries_;
  std::uint64_t last_id_ = 0;
};

}  // namespace

std::unique_ptr<JournalStore> open_journal_file(const std::string& folder,
                                                std::vector<std::string>& /*notes*/,
                                                std::string& /*error*/) {
  static std::mutex mutex;
  static std::map<std::string, std::deque<KeptScrobble>> folders;
  const std::lock_guard lock(mutex);
  return std::make_unique<PlaceholderStore>(folders[folder]);
}

}  // namespace foo_brivanto
