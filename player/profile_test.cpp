#include "player/profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fbplayer {
namespace {

namespace fs = std::filesystem;

TEST(ProfileTest, SavesWholeOrNotAtAllAndReadsBack) {
  enum class Blocker { kNone, kNoFolderYet, kFolderAsFile, kFolderAsNewFile };
  const struct {
    const char* name;
    Blocker blocker;
    bool saved;
    const char* error;  // part of the message when not saved
  } cases[] = {
      {"replaces the old file", Blocker::kNone, true, ""},
      {"creates the folders", Blocker::kNoFolderYet, true, ""},
      {"a folder where the file should be", Blocker::kFolderAsFile, false, "cannot replace"},
      {"the new file cannot be written", Blocker::kFolderAsNewFile, false, "cannot write"},
  };
  const fs::path root = fs::path(testing::TempDir()) / "profile_test";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(root);
    const Profile profile(root.string(), "c.so");
    const fs::path file = profile.configuration_file();
    if (c.blocker != Blocker::kNoFolderYet) {
      fs::create_directories(file.parent_path());
      std::ofstream(file, std::ios::binary) << "old";
    }
    if (c.blocker == Blocker::kFolderAsFile || c.blocker == Blocker::kFolderAsNewFile) {
      const fs::path blocked =
          c.blocker == Blocker::kFolderAsFile ? file : fs::path(file) += ".new";
      fs::remove(blocked);
      fs::create_directory(blocked);
    }
    std::string error;
    EXPECT_EQ(profile.save({'n', 'e', 'w', 0}, error), c.saved) << error;
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(fs::path(file) += ".new"));  // nothing half-written is left

    std::vector<std::uint8_t> records;
    error.clear();
    const bool loaded = profile.load(records, error);
    EXPECT_EQ(loaded, c.blocker != Blocker::kFolderAsFile);
    if (!loaded) {
      EXPECT_NE(error.find("cannot read configuration"), std::string::npos) << error;
    } else {
      const std::string expected = c.saved ? std::string("new\0", 4) : "old";
      EXPECT_EQ(std::string(records.begin(), records.end()), expected);
    }
  }
  fs::remove_all(root);
}

}  // namespace
}  // namespace fbplayer
