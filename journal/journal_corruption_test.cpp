// What survives every kind of damaged or unusual journal file, and what opening says about it;
// a crash at any byte of the last write.
#include <gtest/gtest.h>

#include "journal/journal_file_store.h"
#include "journal/journal_format.h"
#include "journal/journal_load.h"
#include "journal/journal_test_files.h"
#include "journal/journal_test_support.h"

namespace foo_brivanto {
namespace {

using brivanto_test::expect_keeps_after;
using brivanto_test::file_names;
using brivanto_test::flip;
using brivanto_test::forgotten;
using brivanto_test::header;
using brivanto_test::kept;
using brivanto_test::Names;
using brivanto_test::open;
using brivanto_test::Opened;
using brivanto_test::read_bytes;
using brivanto_test::reopen;
using brivanto_test::TempFolder;
using brivanto_test::titles;
using brivanto_test::write_bytes;

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

TEST(JournalCorruptionTest, EveryDamagedOrUnusualFile) {
  const std::string damaged_header = flip(header(), 3);
  const Corruption cases[] = {
      {"empty file", "", {" was empty: a new journal starts"}, {}, {"journal.bin"}},
      {"garbage",
       std::string(3000, '\x5a'),
       {" does not start as a journal (damaged, or not a journal at all); nothing in it could be "
        "read, and the damaged file is kept as "},
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
    reopen(opened, folder.path());
    EXPECT_EQ(opened.notes, Names()) << "the file was mended at once";
    EXPECT_EQ(titles(*opened.store), c.survivors);
    expect_keeps_after(folder.path(), opened, c.survivors);
  }
}

TEST(JournalCorruptionTest, AFileTooBigToBeAJournalIsSetAside) {
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
TEST(JournalCorruptionTest, ACrashAtAnyByteOfTheLastWriteLosesNothingEarlier) {
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

}  // namespace
}  // namespace foo_brivanto
