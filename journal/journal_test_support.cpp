// Journal files and stores for the journal's tests (journal_test_support.h).
#include "journal/journal_test_support.h"

#include <gtest/gtest.h>

#include "journal/journal_format.h"

namespace brivanto_test {

using foo_brivanto::JournalStore;
using foo_brivanto::KeptScrobble;
using foo_brivanto::TrackInfo;

TrackInfo track(const std::string& title) {
  return {"Сплин", title, "Альбом", 245, 1765116180};
}

std::string header(std::uint64_t next_id) {
  std::string bytes;
  foo_brivanto::append_header(bytes, next_id);
  return bytes;
}

std::string kept(std::uint64_t id, const std::string& title) {
  std::string bytes;
  foo_brivanto::append_kept_record(bytes, {id, track(title)});
  return bytes;
}

std::string forgotten(std::uint64_t id) {
  std::string bytes;
  foo_brivanto::append_forgotten_record(bytes, id);
  return bytes;
}

std::string flip(std::string bytes, std::size_t at) {
  bytes[at] = static_cast<char>(bytes[at] ^ 0x20);
  return bytes;
}

Names titles(const JournalStore& store) {
  Names names;
  for (const KeptScrobble& entry : store.entries()) {
    names.push_back(entry.track.title);
  }
  return names;
}

Opened open(const std::string& folder) {
  Opened opened;
  opened.store = foo_brivanto::open_journal_file(folder, opened.notes, opened.error);
  return opened;
}

void reopen(Opened& opened, const std::string& folder) {
  opened.store.reset();
  opened = open(folder);
  ASSERT_TRUE(opened.store) << opened.error;
}

KeptScrobble keep(JournalStore& store, const std::string& title, std::string* error,
                  std::vector<KeptScrobble>* dropped) {
  KeptScrobble entry;
  std::vector<KeptScrobble> ignored;
  std::string reason;
  if (!store.keep(track(title), entry, dropped ? *dropped : ignored, reason)) {
    if (error == nullptr) {
      ADD_FAILURE() << "cannot keep " << title << ": " << reason;
    } else {
      *error = reason;
    }
    return {};
  }
  return entry;
}

void expect_keeps_after(const std::string& folder, Opened& opened, Names expected) {
  keep(*opened.store, "new");
  reopen(opened, folder);
  EXPECT_EQ(opened.notes, Names()) << "the mended file is read without a note";
  expected.push_back("new");
  EXPECT_EQ(titles(*opened.store), expected);
}

}  // namespace brivanto_test
