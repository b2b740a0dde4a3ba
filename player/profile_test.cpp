#include "player/profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fbplayer {
namespace {

namespace fs = std::filesystem;

TEST(ProfileTest, SavesWholeOrNotAtAllAndReadsBack) {
  const struct {
    const char* name;
    const char* folder_at;  // a folder at the configuration's path followed by this, or none
    const char* saved;      // part of the save's message; empty when it must save
    const char* loaded;     // part of what loading then gives, or of its message
  } cases[] = {
      {"replaces the old file", nullptr, "", "new"},
      {"a folder where the file should be", "", "cannot replace", "cannot read configuration"},
      {"the new file cannot be written", ".new", "cannot write", "old"},
  };
  const fs::path root = fs::path(testing::TempDir()) / "profile_test";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(root);
    const Profile profile(root.string(), "c.so");
    const std::string& file = profile.configuration_file();
    fs::create_directories(fs::path(file).parent_path());
    std::ofstream(file, std::ios::binary) << "old";
    if (c.folder_at != nullptr) {
      fs::remove(file + c.folder_at);
      fs::create_directory(file + c.folder_at);
    }
    std::string error;
    EXPECT_EQ(profile.save({'n', 'e', 'w', 0}, error), *c.saved == '\0') << error;
    EXPECT_NE(error.find(c.saved), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(file + ".new"));  // nothing half-written is left
    std::vector<std::uint8_t> records;
    error.clear();
    const bool loaded_ok = profile.load(records, error);
    EXPECT_EQ(loaded_ok, error.empty());
    const std::string loaded = std::string(records.begin(), records.end()) + error;
    EXPECT_EQ(loaded.find(c.loaded), 0U) << loaded;
  }
  fs::remove_all(root);
}

}  // namespace
}  // namespace fbplayer
