// The journal file as the engine meets it: what survives every kind of damaged or unusual
// file and what opening says about it, a crash at any byte of the last write, the waiting
// entries across restarts, the capacity, and folders and files that cannot be written.
#include <gtest/gtest.h>

#include "journal/journal_file_store.h"
#include "journal/journal_format.h"
#include "journal/journal_load.h"
#include "journal/journal_test_files.h"

namespace foo_brivanto {
namespace {

using brivanto_test::file_names;
using brivanto_test::read_bytes;
using brivanto_test::TempFolder;
using brivanto_test::write_bytes;
using Names = std::vector<std::string>;

TrackInfo track(const std::string& title) {
  return {"Сплин", title, "Альбом", 245, 1765116180};
}

std::string header(std::uint64_t next_id = 1) {
  std::string bytes;
  append_header(bytes, next_id);
  return bytes;
}

std::string kept(std::uint64_t id, const std::string& title) {
  std::string bytes;
  append_kept_record(bytes, {id, track(title)});
  return bytes;
}

std::string forgotten(std::uint64_t id) {
  std::string bytes;
  append_forgotten_record(bytes, id);
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

struct Opened {
  std::unique_ptr<JournalStore> store;
  Names notes;
  std::string error;
};

Opened open(const std::string& folder) {
  Opened opened;
  opened.store = open_journal_file(folder, opened.notes, opened.error);
  return opened;
}

// Opens the file again, after the store that had it open lets go of it.
void reopen(Opened& opened, const std::string& folder) {
  opened.store.reset();
  opened = open(folder);
  ASSERT_TRUE(opened.store) << opened.error;
}

// Keeps `title` and opens the file again: the mended file takes new entries and holds them.
void expect_keeps_after(const std::string& folder, Opened& opened, const Names& before) {
  KeptScrobble entry;
  std::vector<KeptScrobble> dropped;
  std::string error;
  ASSERT_TRUE(opened.store->keep(track("new"), entry, dropped, error)) << error;
  opened.store.reset();
  Opened again = open(folder);
  ASSERT_TRUE(again.store) << again.error;
  EXPECT_EQ(again.notes, Names()) << "the mended file is read without a note";
  Names expected = before;
  expected.push_back("new");
  EXPECT_EQ(titles(*again.store), expected);
}

const std::string kA = kept(1, "A");
const std::string kB = kept(2, "B");
const std::string kC = kept(3, "C");

struct Corruption {
  const char* name;
  std::string file;  // journal.bin before opening
  Names notes;       // the start of each note that opening gives, after the path
  Names survivors;   // titles waiting after opening
  Names files;       // the folder after opening; the files set aside hold `file` unchanged
};

TEST(JournalStoreTest, EveryDamagedOrUnusualFile) {
  const std::string damaged_header = flip(header(), 3);
  const Corruption cases[] = {
      {"empty file", "", {" was empty: a new journal starts"}, {}, {"journal.bin"}},
      {"garbage",
       std::string(3000, '\x5a'),
       {" does not start as a journal (damaged, or not a journal at all); 0 waiting scrobbles"},
       {},
       {"journal-damaged-1.bin", "journal.bin"}},
      {"damaged header, good records",
       damaged_header + kA + kB,
       {" does not start as a journal (damaged, or not a journal at all); 2 waiting scrobbles"},
       {"A", "B"},
       {"journal-damaged-1.bin", "journal.bin"}},
      {"another version",
       "BRVJRNL\x1a\x02" + header().substr(9) + kA,
       {" was written in another format (version 2) by another version of the component: set "
        "aside as "},
       {},
       {"journal-version-2-1.bin"}},
      {"damaged record further in",
       header() + kA + flip(kB, 20) + kC,
       {" has damaged records: a damaged part (" + std::to_string(kB.size()) +
        " bytes) skipped; 2 waiting scrobbles found in it are kept, and the damaged file is "
        "kept as "},
       {"A", "C"},
       {"journal-damaged-1.bin", "journal.bin"}},
      {"two damaged parts",
       header() + flip(kA, 0) + kB + "garbage" + kC + forgotten(2),
       {" has damaged records: 2 damaged parts (" + std::to_string(kA.size() + 7) +
        " bytes in all) skipped; 1 waiting scrobble found in it is kept"},
       {"C"},
       {"journal-damaged-1.bin", "journal.bin"}},
      {"torn last record",
       header() + kA + kB + kC.substr(0, 17),
       {"dropped a torn last record of "},
       {"A", "B"},
       {"journal.bin"}},
      {"damaged record and torn last record",
       header() + kA + flip(kB, 30) + kC + kC.substr(0, 5),
       {" has damaged records: a damaged part"},
       {"A", "C"},
       {"journal-damaged-1.bin", "journal.bin"}},
      {"forgotten records",
       header() + kA + kB + forgotten(1) + kC,
       {},
       {"B", "C"},
       {"journal.bin"}},
  };
  for (const Corruption& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    write_bytes(folder / "journal.bin", c.file);
    Opened opened = open(folder.path());
    ASSERT_TRUE(opened.store) << opened.error;
    ASSERT_EQ(opened.notes.size(), c.notes.size());
    for (std::size_t i = 0; i < c.notes.size(); ++i) {
      const std::string& note = opened.notes[i];
      EXPECT_NE(note.find(folder / "journal.bin"), std::string::npos) << note;
      EXPECT_NE(note.find(c.notes[i]), std::string::npos) << note;
    }
    EXPECT_EQ(titles(*opened.store), c.survivors);
    EXPECT_EQ(file_names(folder.path()), c.files);
    for (const std::string& name : c.files) {
      if (name != "journal.bin") {
        EXPECT_EQ(read_bytes(folder / name), c.file) << name << " is not the file as it was";
        EXPECT_NE(opened.notes.back().find(folder / name), std::string::npos);
      }
    }
    expect_keeps_after(folder.path(), opened, c.survivors);
  }
}

TEST(JournalStoreTest, AFileTooBigToBeAJournalIsSetAside) {
  TempFolder folder;
  brivanto_test::write_sparse(folder / "journal.bin", kMaxJournalFileBytes + 1);
  Opened opened = open(folder.path());
  ASSERT_TRUE(opened.store) << opened.error;
  ASSERT_EQ(opened.notes.size(), 1U);
  EXPECT_EQ(opened.notes[0], folder / "journal.bin" +
                                 " is too big to be a journal (134217729 "
                                 "bytes, at most 134217728 bytes): set aside as " +
                                 folder / "journal-too-big-1.bin" + "; a new journal starts");
  EXPECT_EQ(file_names(folder.path()), Names{"journal-too-big-1.bin"});
  expect_keeps_after(folder.path(), opened, {});
}

// A crash while the last record was written, at any of its bytes: every earlier entry loads.
TEST(JournalStoreTest, ACrashAtAnyByteOfTheLastWriteLosesNothingEarlier) {
  const std::string before = header() + kA + kB + forgotten(1);
  const std::string last = kept(3, "C");
  for (std::size_t cut = 0; cut < last.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    TempFolder folder;
    write_bytes(folder / "journal.bin", before + last.substr(0, cut));
    Opened opened = open(folder.path());
    ASSERT_TRUE(opened.store) << opened.error;
    EXPECT_EQ(titles(*opened.store), Names{"B"});
    EXPECT_EQ(opened.notes.size(), cut == 0 ? 0U : 1U);
    expect_keeps_after(folder.path(), opened, {"B"});
  }
}

TEST(JournalStoreTest, EntriesAndIdsLastAcrossRestarts) {
  TempFolder profile;
  const std::string folder = profile / "foo_brivanto";
  Opened opened = open(folder);
  ASSERT_TRUE(opened.store) << opened.error;
  EXPECT_EQ(file_names(profile.path()), Names()) << "opening creates nothing";
  KeptScrobble entry;
  std::vector<KeptScrobble> dropped;
  std::string error;
  for (const char* title : {"A", "B", "C"}) {
    ASSERT_TRUE(opened.store->keep(track(title), entry, dropped, error)) << error;
  }
  EXPECT_EQ(entry.id, 3U);
  EXPECT_EQ(entry.track.title, "C");
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
  ASSERT_TRUE(opened.store->keep(track("D"), entry, dropped, error)) << error;
  EXPECT_EQ(entry.id, 4U) << "an id is never used twice, even once its entry is forgotten";
}

TEST(JournalStoreTest, TheFileIsRewrittenWhenForgottenRecordsOutweighTheRest) {
  TempFolder folder;
  Opened opened = open(folder.path());
  KeptScrobble entry;
  std::vector<KeptScrobble> dropped;
  std::string error;
  const std::string long_title(3000, 't');
  ASSERT_TRUE(opened.store->keep(track("first"), entry, dropped, error)) << error;
  std::uint64_t largest = 0;
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(opened.store->keep(track(long_title), entry, dropped, error)) << error;
    ASSERT_TRUE(opened.store->forget(entry.id, error)) << error;
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
  EXPECT_NE(opened.notes[0].find("held more than 10000 waiting scrobbles: the 3 oldest were "
                                 "dropped"),
            std::string::npos);
  ASSERT_EQ(opened.store->entries().size(), kJournalCapacity);
  EXPECT_EQ(opened.store->entries().front().id, 4U);

  KeptScrobble entry;
  std::vector<KeptScrobble> dropped;
  std::string error;
  ASSERT_TRUE(opened.store->keep(track("newest"), entry, dropped, error)) << error;
  ASSERT_EQ(dropped.size(), 1U);
  EXPECT_EQ(dropped[0].id, 4U);
  EXPECT_EQ(entry.id, kJournalCapacity + 4);
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
    KeptScrobble entry;
    std::vector<KeptScrobble> dropped;
    std::string error;
    EXPECT_FALSE(opened.store->keep(track("A"), entry, dropped, error));
    EXPECT_EQ(error.rfind("cannot create the folder " + c.folder + ": ", 0), 0U) << error;
    EXPECT_TRUE(opened.store->entries().empty());
    EXPECT_EQ(file_names(profile.path()), Names{"a file"});
  }

  TempFolder folder;
  const std::string file = header() + kA;
  write_bytes(folder / "journal.bin", file);
  {
    const brivanto_test::Unwritable read_only(folder / "journal.bin");
    const Opened opened = open(folder.path());
    EXPECT_FALSE(opened.store);
    EXPECT_EQ(opened.error.rfind("cannot write " + folder / "journal.bin" + ": ", 0), 0U)
        << opened.error;
  }
  EXPECT_EQ(read_bytes(folder / "journal.bin"), file);

  Opened opened = open(folder.path());
  KeptScrobble entry;
  std::vector<KeptScrobble> dropped;
  std::string error;
  EXPECT_FALSE(opened.store->keep(track(std::string(5000, 'x')), entry, dropped, error));
  EXPECT_EQ(error, "the scrobble's tags are too long to keep (5022 bytes)");
  EXPECT_EQ(titles(*opened.store), Names{"A"});
  EXPECT_EQ(read_bytes(folder / "journal.bin"), file);
}

}  // namespace
}  // namespace foo_brivanto
