#include "player/profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fbplayer {
namespace {

namespace fs = std::filesystem;

// One record of a stored configuration: a GUID, the length of `data` in four bytes, `data`.
std::string record(const std::string& data) {
  return std::string(16, 'g') + static_cast<char>(data.size()) + std::string(3, '\0') + data;
}

TEST(ProfileTest, SavesWholeOrNotAtAllAndReadsBack) {
  const struct {
    const char* name;
    const char* folder_at;  // a folder at the configuration's path followed by this, or none
    const char* saved;      // part of the save's message; empty when it must save
    std::string loaded;     // what loading then gives, or the start of its message
  } cases[] = {
      {"replaces the old file", nullptr, "", record("new")},
      {"a folder where the file should be", "", "cannot replace", "cannot read configuration"},
      {"the new file cannot be written", ".new", "cannot write", record("old")},
  };
  const fs::path root = fs::path(testing::TempDir()) / "profile_test";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(root);
    const Profile profile(root.string(), "c.so");
    const std::string& file = profile.configuration_file();
    fs::create_directories(fs::path(file).parent_path());
    std::ofstream(file, std::ios::binary) << record("old");
    if (c.folder_at != nullptr) {
      fs::remove(file + c.folder_at);
      fs::create_directory(file + c.folder_at);
    }
    std::string error;
    const std::string saved = record("new");
    EXPECT_EQ(profile.save({saved.begin(), saved.end()}, error), *c.saved == '\0') << error;
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

// A stored configuration is whole records or it is damaged, never a fresh one: the player must
// not take a file that breaks off for an empty configuration and save over it.
TEST(ProfileTest, AStoredConfigurationIsWholeRecordsOrDamaged) {
  const std::string guid(16, 'g');
  const std::string five{5, 0, 0, 0};
  const std::string whole = record("abcde");
  const struct {
    std::string stored;
    const char* error;  // part of the message of a damaged one; empty when it loads
  } cases[] = {
      {"", ""},
      {whole, ""},
      {whole + record(""), ""},
      {whole.substr(0, 10), "damaged, a record's head breaks off at byte 0"},
      {whole + guid + five.substr(0, 3), "damaged, a record's head breaks off at byte 25"},
      {whole.substr(0, whole.size() - 1), "damaged, the record at byte 0 breaks off"},
      {whole + guid + std::string(4, '\xff'), "damaged, the record at byte 25 breaks off"},
  };
  const fs::path root = fs::path(testing::TempDir()) / "profile_test_damaged";
  for (const auto& c : cases) {
    fs::remove_all(root);
    const Profile profile(root.string(), "c.so");
    fs::create_directories(fs::path(profile.configuration_file()).parent_path());
    std::ofstream(profile.configuration_file(), std::ios::binary) << c.stored;
    std::vector<std::uint8_t> records{'x'};
    std::string error;
    const bool loaded = profile.load(records, error);
    EXPECT_EQ(loaded, *c.error == '\0') << error;
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
    EXPECT_EQ(std::string(records.begin(), records.end()), loaded ? c.stored : "") << error;
  }
  fs::remove_all(root);
}

}  // namespace
}  // namespace fbplayer
