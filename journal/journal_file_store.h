// The JournalStore that lives in a file (journal_store.h): every change is appended to the
// file as a record and flushed before the call returns; the file is rewritten, atomically,
// when forgotten records come to outweigh the waiting ones. open_journal_file
// (journal_open.cpp) reads the file and makes one.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "journal/durable_file.h"
#include "journal/journal_store.h"

namespace foo_brivanto {

// The file's name in the journal's folder.
inline constexpr const char* kJournalFileName = "journal.bin";

// A file larger than this is not a journal: 10,000 entries of the largest record, with the
// forgotten records that may gather before the file is rewritten, stay below it.
inline constexpr std::size_t kMaxJournalFileBytes = std::size_t{128} << 20U;

// Whether a journal file of `file_bytes`, of which `live_bytes` hold the waiting entries, is
// worth rewriting: when it is opened, once forgotten records outweigh the waiting ones; while
// it is used, once the file has grown to three times what the waiting entries need (and by
// more than a small file's worth), so that a journal that is appended to and forgotten from
// is rewritten now and then, not on every change.
bool worth_compacting_on_open(std::uint64_t file_bytes, std::uint64_t live_bytes);
bool worth_compacting(std::uint64_t file_bytes, std::uint64_t live_bytes);

class FileJournalStore final : public JournalStore {
 public:
  // A store of `entries`, read from the file at `path` in `folder`; `file` is that file
  // opened for appending (null when there is no file yet: the first keep creates the folder
  // and the file).
  FileJournalStore(std::string folder, std::string path, std::deque<KeptScrobble> entries,
                   std::uint64_t next_id, std::uint64_t live_bytes,
                   std::unique_ptr<AppendFile> file);

  bool keep(const TrackInfo& track, KeptScrobble& kept, std::vector<KeptScrobble>& dropped,
            std::string& error) override;
  bool forget(std::uint64_t id, std::string& error) override;
  bool forget_all(std::string& error) override;
  const std::deque<KeptScrobble>& entries() const override { return entries_; }

 private:
  bool append(const std::string& bytes, std::string& error);
  // Replaces the file with one that holds the waiting entries alone (or none, when `empty`).
  bool rewrite(bool empty, std::string& error);
  void compact_if_grown();

  std::string folder_;
  std::string path_;
  std::deque<KeptScrobble> entries_;
  std::uint64_t next_id_;
  std::uint64_t live_bytes_;
  std::unique_ptr<AppendFile> file_;
  bool file_exists_;
  std::uint64_t file_bytes_ = 0;
  std::uint64_t compaction_failed_at_ = 0;  // file size at a failed rewrite: not tried again soon
};

}  // namespace foo_brivanto
