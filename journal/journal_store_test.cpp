// The journal's store across restarts: its entries and ids, its rewriting, its capacity, and
// folders and files that cannot be written.
#include <gtest/gtest.h>

#include "journal/journal_file_store.h"
#include "journal/journal_format.h"
#include "journal/journal_load.h"
#include "journal/journal_test_files.h"
#include "journal/journal_test_support.h"

namespace foo_brivanto {
namespace {

using brivanto_test::file_names;
using brivanto_test::header;
using brivanto_test::keep;
using brivanto_test::kept;
using brivanto_test::Names;
using brivanto_test::open;
using brivanto_test::Opened;
using brivanto_test::read_bytes;
using brivanto_test::reopen;
using brivanto_test::TempFolder;
using brivanto_test::titles;
using brivanto_test::track;
using brivanto_test::write_bytes;

TEST(JournalStoreTest, EntriesAndIdsLastAcrossRestarts) {
  TempFolder profile;
  const std::string folder = profile / "foo_brivanto";
  Opened opened = open(folder);
  ASSERT_TRUE(opened.store) << opened.error;
  EXPECT_EQ(file_names(profile.path()), Names()) << "opening creates nothing";
  keep(*opened.store, "A");
  keep(*opened.store, "B");
  const KeptScrobble entry = keep(*opened.store, "C");
  EXPECT_EQ(entry.id, 3U);
  EXPECT_EQ(entry.track.title, "C");
  std::string error;
  ASSERT_TRUE(opened.store->forget(2, error)) << error;
  ASSERT_TRUE(opened.store->forget(2, error)) << "forgetting what is not there succeeds";
  ASSERT_TRUE(opened.store->forget(3, error)) << error;
  reopen(opened, folder);
  ASSERT_EQ(opened.store->entries().size(), 1U);
  EXPECT_EQ(opened.store->entries()[0].id, 1U);
  EXPECT_EQ(opened.store->entries()[0].track.artist, "Сплин");
  EXPECT_EQ(opened.store->entries()[0].track.timestamp, 1765116180);
  ASSERT_TRUE(opened.store->forget_all(error)) << error;
  EXPECT_TRUE(opened.store->entries().empty());
  reopen(opened, folder);
  EXPECT_TRUE(opened.store->entries().empty());
  EXPECT_EQ(keep(*opened.store, "D").id, 4U) << "an id is never used twice";
}

TEST(JournalStoreTest, TheFileIsRewrittenWhenForgottenRecordsOutweighTheRest) {
  TempFolder folder;
  Opened opened = open(folder.path());
  keep(*opened.store, "first");
  std::uint64_t largest = 0;
  std::string error;
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(opened.store->forget(keep(*opened.store, std::string(3000, 't')).id, error));
    largest = std::max<std::uint64_t>(largest, read_bytes(folder / "journal.bin").size());
  }
  EXPECT_LT(largest, 100 * 1024U);
  const std::string grown = read_bytes(folder / "journal.bin");
  EXPECT_GT(grown.size(), 2 * (header().size() + kept(1, "first").size()));
  reopen(opened, folder.path());
  EXPECT_EQ(titles(*opened.store), Names{"first"});
  EXPECT_EQ(read_bytes(folder / "journal.bin"), header(102) + kept(1, "first"))
      << "opening a file of mostly forgotten records rewrites it";
}

TEST(JournalStoreTest, AtCapacityTheOldestGoes) {
  TempFolder folder;
  std::deque<KeptScrobble> entries;
  for (std::uint64_t id = 1; id <= kJournalCapacity + 3; ++id) {
    entries.push_back({id, track(std::to_string(id))});
  }
  write_bytes(folder / "journal.bin", encode_journal(entries, 1));
  Opened opened = open(folder.path());
  ASSERT_TRUE(opened.store) << opened.error;
  ASSERT_EQ(opened.notes.size(), 1U);
  EXPECT_NE(opened.notes[0].find(" held more than 10000 waiting scrobbles: the 3 oldest were "
                                 "dropped"),
            std::string::npos);
  ASSERT_EQ(opened.store->entries().size(), kJournalCapacity);
  EXPECT_EQ(opened.store->entries().front().id, 4U);

  std::vector<KeptScrobble> dropped;
  EXPECT_EQ(keep(*opened.store, "newest", nullptr, &dropped).id, kJournalCapacity + 4);
  ASSERT_EQ(dropped.size(), 1U);
  EXPECT_EQ(dropped[0].id, 4U);
  reopen(opened, folder.path());
  EXPECT_EQ(opened.notes, Names());
  ASSERT_EQ(opened.store->entries().size(), kJournalCapacity);
  EXPECT_EQ(opened.store->entries().front().id, 5U);
  EXPECT_EQ(opened.store->entries().back().track.title, "newest");
}

// Folders and files that cannot be written: a clear text, nothing changed, nothing lost.
TEST(JournalStoreTest, WhatCannotBeWrittenIsSaid) {
  TempFolder profile;
  write_bytes(profile / "a file", "x");
  struct Case {
    const char* name;
    std::string folder;
  };
  const Case cases[] = {
      {"missing profile folder", join_path(profile / "missing", "foo_brivanto")},
      {"profile folder that is a file", join_path(profile / "a file", "foo_brivanto")},
      {"journal folder that is a file", profile / "a file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Opened opened = open(c.folder);
    ASSERT_TRUE(opened.store) << opened.error;
    std::string error;
    EXPECT_EQ(keep(*opened.store, "A", &error).id, 0U);
    EXPECT_EQ(error.rfind("cannot create the folder " + c.folder + ": ", 0), 0U) << error;
    EXPECT_TRUE(opened.store->entries().empty());
    EXPECT_EQ(file_names(profile.path()), Names{"a file"});
  }

  TempFolder folder;
  const std::string file = header() + kept(1, "A");
  write_bytes(folder / "journal.bin", file);
  {
    const brivanto_test::Unwritable read_only(folder / "journal.bin");
    const Opened opened = open(folder.path());
    EXPECT_FALSE(opened.store);
    EXPECT_EQ(opened.error.rfind("cannot write " + folder / "journal.bin" + ": ", 0), 0U)
        << opened.error;
  }
  EXPECT_EQ(read_bytes(folder / "journal.bin"), file);

  const Opened opened = open(folder.path());
  std::string error;
  EXPECT_EQ(keep(*opened.store, std::string(5000, 'x'), &error).id, 0U);
  EXPECT_EQ(error, "the scrobble's tags are too long to keep (5022 bytes)");
  EXPECT_EQ(titles(*opened.store), Names{"A"});
  EXPECT_EQ(read_bytes(folder / "journal.bin"), file);
}

}  // namespace
}  // namespace foo_brivanto
