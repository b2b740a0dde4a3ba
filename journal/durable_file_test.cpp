// The durable-file layer on the real file system, in a folder with a non-ASCII name: an append
// never leaves a torn tail in front of itself, and files set aside never overwrite anything.
// (Failures and their texts: journal_store_test.cpp.)
#include "journal/durable_file.h"

#include <gtest/gtest.h>

#include "journal/journal_test_files.h"

namespace foo_brivanto {
namespace {

using brivanto_test::read_bytes;
using brivanto_test::TempFolder;
using brivanto_test::write_bytes;

TEST(DurableFileTest, AnAppendCutsOffWhatLiesPastTheGoodEnd) {
  TempFolder folder;
  const std::string path = folder / "journal.bin";
  write_bytes(path, "good|torn tail");
  std::string error;
  auto file = open_append_file(path, 5, error);
  ASSERT_TRUE(file) << error;
  ASSERT_TRUE(file->append("new", error)) << error;
  file.reset();
  EXPECT_EQ(read_bytes(path), "good|new");
}

TEST(DurableFileTest, SetAsideNeverOverwrites) {
  TempFolder folder;
  const std::string path = folder / "journal.bin";
  write_bytes(folder / "journal-damaged-1.bin", "older");
  write_bytes(path, "damaged");
  std::string kept_as;
  std::string error;
  ASSERT_TRUE(replace_file_keeping_old(path, "mended", "damaged", kept_as, error)) << error;
  EXPECT_EQ(kept_as, folder / "journal-damaged-2.bin");
  EXPECT_EQ(read_bytes(kept_as), "damaged");
  EXPECT_EQ(read_bytes(path), "mended");

  ASSERT_TRUE(set_file_aside(path, "damaged", kept_as, error)) << error;
  EXPECT_EQ(kept_as, folder / "journal-damaged-3.bin");
  EXPECT_EQ(read_bytes(kept_as), "mended");
  EXPECT_EQ(read_bytes(folder / "journal-damaged-1.bin"), "older");
  EXPECT_EQ(brivanto_test::file_names(folder.path()),
            (std::vector<std::string>{"journal-damaged-1.bin", "journal-damaged-2.bin",
                                      "journal-damaged-3.bin"}));
}

}  // namespace
}  // namespace foo_brivanto
