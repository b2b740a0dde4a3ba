// The durable-file layer on the real file system, in a folder with a non-ASCII name: files
// land under exactly the names given, replacements and names set aside never overwrite what
// they must keep, and each failure names the path.
#include "journal/durable_file.h"

#include <gtest/gtest.h>

#include "journal/journal_test_files.h"

namespace foo_brivanto {
namespace {

using brivanto_test::read_bytes;
using brivanto_test::TempFolder;
using brivanto_test::write_bytes;

TEST(DurableFileTest, NamesOfFilesSetAside) {
  EXPECT_EQ(aside_path("/p/журнал.bin", "damaged", 2), "/p/журнал-damaged-2.bin");
  EXPECT_EQ(aside_path("C:\\Профиль\\journal.bin", "too-big", 1),
            "C:\\Профиль\\journal-too-big-1.bin");
  EXPECT_EQ(aside_path("/p.d/journal", "x", 1), "/p.d/journal-x-1");
  EXPECT_EQ(aside_path("/p/.journal", "x", 1), "/p/.journal-x-1");
}

TEST(DurableFileTest, ReplacesReadsAndAppendsUnderNonAsciiNames) {
  TempFolder folder;
  const std::string path = join_path(folder.path(), "Ана.bin");
  std::string error;
  ASSERT_TRUE(replace_file(path, "first", error)) << error;
  ASSERT_TRUE(replace_file(path, "second", error)) << error;
  EXPECT_EQ(read_bytes(folder / "Ана.bin"), "second");  // the very name, not a mangled one
  EXPECT_EQ(brivanto_test::file_names(folder.path()), std::vector<std::string>{"Ана.bin"});

  auto file = open_append_file(path, 6, error);
  ASSERT_TRUE(file) << error;
  ASSERT_TRUE(file->append("+one", error)) << error;
  ASSERT_TRUE(file->append("+two", error)) << error;
  EXPECT_EQ(file->size(), 14U);
  file.reset();

  std::string bytes;
  std::uint64_t size = 0;
  EXPECT_EQ(read_file(path, 14, bytes, size, error), ReadOutcome::read);
  EXPECT_EQ(bytes, "second+one+two");
  EXPECT_EQ(read_file(path, 13, bytes, size, error), ReadOutcome::too_big);
  EXPECT_EQ(size, 14U);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(read_file(folder / "none.bin", 100, bytes, size, error), ReadOutcome::missing);
  EXPECT_EQ(read_file(folder / "no folder/x.bin", 100, bytes, size, error), ReadOutcome::missing);
}

// Appending after fewer bytes than the file holds (a torn tail) first cuts the tail off.
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

// Each failure says what could not be done to which path.
TEST(DurableFileTest, FailuresNameThePath) {
  TempFolder folder;
  const std::string file = folder / "a file";
  write_bytes(file, "x");
  const std::string under_file = join_path(file, "folder");
  std::string error;
  EXPECT_TRUE(create_folder(folder / "new", error)) << error;
  EXPECT_TRUE(create_folder(folder / "new", error)) << error;  // already there
  EXPECT_TRUE(brivanto_test::exists(folder / "new"));
  struct Case {
    const char* name;
    bool (*attempt)(const std::string& path, std::string& error);
    std::string path;
    std::string expected;
  };
  const Case cases[] = {
      {"folder in place of a file",
       [](const std::string& p, std::string& e) { return create_folder(p, e); }, file,
       "cannot create the folder " + file + ": "},
      {"folder without its parent",
       [](const std::string& p, std::string& e) { return create_folder(p, e); },
       join_path(folder / "none", "x"),
       "cannot create the folder " + join_path(folder / "none", "x") + ": "},
      {"append to a missing file",
       [](const std::string& p, std::string& e) { return open_append_file(p, 0, e) != nullptr; },
       folder / "none.bin", "cannot write " + folder / "none.bin" + ": "},
      {"replace under a file",
       [](const std::string& p, std::string& e) { return replace_file(p, "x", e); },
       join_path(under_file, "j.bin"), "cannot write " + join_path(under_file, "j.bin") + ".new: "},
      {"set aside a missing file",
       [](const std::string& p, std::string& e) {
         std::string kept_as;
         return set_file_aside(p, "x", kept_as, e);
       },
       folder / "none.bin", "cannot set aside " + folder / "none.bin" + ": "},
  };
  for (const Case& c : cases) {
    error.clear();
    EXPECT_FALSE(c.attempt(c.path, error)) << c.name;
    EXPECT_EQ(error.substr(0, c.expected.size()), c.expected) << c.name;
    EXPECT_GT(error.size(), c.expected.size()) << c.name << ": no reason given";
  }
}

TEST(DurableFileTest, AReadOnlyFileIsReadButNotWritten) {
  TempFolder folder;
  const std::string path = folder / "journal.bin";
  write_bytes(path, "kept");
  std::string error;
  {
    const brivanto_test::Unwritable read_only(path);
    EXPECT_EQ(open_append_file(path, 4, error), nullptr);
    EXPECT_EQ(error.substr(0, 14 + path.size()), "cannot write " + path + ":");
    std::string bytes;
    std::uint64_t size = 0;
    EXPECT_EQ(read_file(path, 100, bytes, size, error), ReadOutcome::read);
    EXPECT_EQ(bytes, "kept");
  }
  EXPECT_EQ(read_bytes(path), "kept");
}

}  // namespace
}  // namespace foo_brivanto
