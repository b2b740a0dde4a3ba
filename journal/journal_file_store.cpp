// The journal's file-backed store (journal_file_store.h).
#include "journal/journal_file_store.h"

#include <algorithm>

#include "journal/journal_format.h"
#include "journal/journal_load.h"

namespace foo_brivanto {
namespace {

// Below this much of forgotten records, a file is not rewritten while it is used.
constexpr std::uint64_t kCompactionSlack = std::uint64_t{64} << 10U;

}  // namespace

bool worth_compacting_on_open(std::uint64_t file_bytes, std::uint64_t live_bytes) {
  return file_bytes > 2 * live_bytes;
}

bool worth_compacting(std::uint64_t file_bytes, std::uint64_t live_bytes) {
  return file_bytes > 3 * live_bytes + kCompactionSlack;
}

FileJournalStore::FileJournalStore(std::string folder, std::string path,
                                   std::deque<KeptScrobble> entries, std::uint64_t next_id,
                                   std::uint64_t live_bytes, std::unique_ptr<AppendFile> file)
    : folder_(std::move(folder)),
      path_(std::move(path)),
      entries_(std::move(entries)),
      next_id_(next_id),
      live_bytes_(live_bytes),
      file_(std::move(file)),
      file_exists_(file_ != nullptr),
      file_bytes_(file_ ? file_->size() : 0) {}

bool FileJournalStore::keep(const TrackInfo& track, KeptScrobble& kept,
                            std::vector<KeptScrobble>& dropped, std::string& error) {
  KeptScrobble entry{next_id_, track};
  const bool full = entries_.size() >= kJournalCapacity;
  std::string bytes;
  if (full) {
    append_forgotten_record(bytes, entries_.front().id);
  }
  if (!append_kept_record(bytes, entry)) {
    const std::size_t texts = track.artist.size() + track.title.size() + track.album.size();
    error =
        concat({"the scrobble's tags are too long to keep (", std::to_string(texts), " bytes)"});
    return false;
  }
  if (!append(bytes, error)) {
    return false;
  }
  ++next_id_;
  dropped.clear();
  if (full) {
    live_bytes_ -= kept_record_size(entries_.front().track);
    dropped.push_back(std::move(entries_.front()));
    entries_.pop_front();
  }
  live_bytes_ += kept_record_size(entry.track);
  entries_.push_back(entry);
  kept = std::move(entry);
  compact_if_grown();
  return true;
}

bool FileJournalStore::forget(std::uint64_t id, std::string& error) {
  const auto found = std::find_if(entries_.begin(), entries_.end(),
                                  [id](const KeptScrobble& entry) { return entry.id == id; });
  if (found == entries_.end()) {
    return true;
  }
  std::string bytes;
  append_forgotten_record(bytes, id);
  if (!append(bytes, error)) {
    return false;
  }
  live_bytes_ -= kept_record_size(found->track);
  entries_.erase(found);
  compact_if_grown();
  return true;
}

bool FileJournalStore::forget_all(std::string& error) {
  if (!file_exists_) {
    entries_.clear();
    return true;
  }
  if (!rewrite(true, error)) {
    return false;
  }
  entries_.clear();
  live_bytes_ = kJournalHeaderSize;
  return true;
}

bool FileJournalStore::append(const std::string& bytes, std::string& error) {
  if (!file_exists_) {
    // The first keep makes the folder and the file: a listener who never needs the journal
    // never gets one.
    std::string header;
    append_header(header, next_id_);
    if (!create_folder(folder_, error) || !replace_file(path_, header, error)) {
      return false;
    }
    file_exists_ = true;
    file_bytes_ = header.size();
  }
  if (!file_) {
    file_ = open_append_file(path_, file_bytes_, error);
    if (!file_) {
      return false;
    }
  }
  if (!file_->append(bytes, error)) {
    return false;
  }
  file_bytes_ = file_->size();
  return true;
}

bool FileJournalStore::rewrite(bool empty, std::string& error) {
  const std::string bytes = encode_journal(empty ? std::deque<KeptScrobble>() : entries_, next_id_);
  // The file is closed while it is replaced: Windows renames nothing over an open file.
  file_.reset();
  if (!replace_file(path_, bytes, error)) {
    return false;  // the old file stays, and is opened again by the next append
  }
  file_bytes_ = bytes.size();
  std::string reopen_error;
  file_ = open_append_file(path_, file_bytes_, reopen_error);  // or by the next append
  return true;
}

void FileJournalStore::compact_if_grown() {
  if (!worth_compacting(file_bytes_, live_bytes_) ||
      file_bytes_ < compaction_failed_at_ + kCompactionSlack) {
    return;
  }
  std::string error;
  compaction_failed_at_ = rewrite(false, error) ? 0 : file_bytes_;
}

}  // namespace foo_brivanto
