#include "settings/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace foo_brivanto {
namespace {

using Bytes = std::vector<std::uint8_t>;

// GUIDs in their stored byte order (three little-endian fields, then eight bytes).
const Bytes kVersionGuid = {0xF8, 0xD9, 0xC5, 0x1A, 0xB4, 0xC0, 0x62, 0x41,
                            0xF3, 0x45, 0x8E, 0x9F, 0x0A, 0x1B, 0x2C, 0x3D};
const Bytes kNowPlayingGuid = {0xE7, 0xC8, 0xB4, 0x09, 0xA3, 0xBF, 0x51, 0x40,
                               0xE2, 0x34, 0x7D, 0x8E, 0x9F, 0x0A, 0x1B, 0x2C};
const Bytes kScrobblingGuid = {0xD6, 0xB7, 0xA3, 0xF8, 0x92, 0xAE, 0x40, 0x4F,
                               0xD1, 0x23, 0x6C, 0x7D, 0x8E, 0x9F, 0x0A, 0x1B};
const Bytes kTokenGuid = {0xC5, 0xA6, 0xF2, 0xE7, 0x81, 0x9D, 0x3F, 0x4E,
                          0xC0, 0x12, 0x5B, 0x6C, 0x7D, 0x8E, 0x9F, 0x0A};
const Bytes kSessionGuid = {0xB4, 0xF5, 0xE1, 0xD6, 0x70, 0x8C, 0x2E, 0x4D,
                            0xBF, 0x01, 0x4A, 0x5B, 0x6C, 0x7D, 0x8E, 0x9F};
const Bytes kForeignGuid = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
                            0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10};

Bytes record(const Bytes& guid, const Bytes& data) {
  Bytes out = guid;
  const auto n = static_cast<std::uint32_t>(data.size());
  for (int shift = 0; shift < 32; shift += 8) {
    out.push_back(static_cast<std::uint8_t>(n >> shift));
  }
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

Bytes text(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) {
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

void load(const Bytes& stored) {
  // A heap copy of exactly the stored size, so reading past its end is caught by ASan.
  const std::vector<std::uint8_t> exact(stored);
  stream_reader_memory reader(exact.data(), exact.size());
  cfg_var_reader::config_read_file(reader);
}

Bytes save() {
  stream_writer_buffer writer;
  cfg_var_writer::config_write_file(writer);
  return writer.data();
}

struct Values {
  bool scrobbling;
  bool now_playing;
  int version;
  std::string token;
  std::string key;
  bool operator==(const Values&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Values& v) {
  return os << "{scrobbling=" << v.scrobbling << " now_playing=" << v.now_playing
            << " version=" << v.version << " token='" << v.token << "' key='" << v.key << "'}";
}

Values current() {
  return {enable_scrobbling, enable_now_playing, settings_version, pending_token.get(),
          session_key.get()};
}

const Values kDefaults = {true, true, 0, "", ""};

// The settings are the process's static objects: start every test from a fresh installation.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    enable_scrobbling = kDefaults.scrobbling;
    enable_now_playing = kDefaults.now_playing;
    settings_version = kDefaults.version;
    pending_token = kDefaults.token;
    session_key = kDefaults.key;
  }
};

TEST_F(SettingsTest, SavesEveryRecordInItsFixedOrderAndLayout) {
  enable_scrobbling = false;
  settings_version = -2;
  pending_token = "tok";
  session_key = "k\xE2\x82\xAC";  // UTF-8 bytes kept as they are

  const Bytes expected =
      concat({record(kVersionGuid, {0xFE, 0xFF, 0xFF, 0xFF}), record(kNowPlayingGuid, {0x01}),
              record(kScrobblingGuid, {0x00}), record(kTokenGuid, text("tok")),
              record(kSessionGuid, {'k', 0xE2, 0x82, 0xAC})});
  EXPECT_EQ(save(), expected);
}

TEST_F(SettingsTest, ReadsBackWhatItSaved) {
  const Values saved = {false, true, 4, "pending", std::string("a\0b", 3)};
  enable_scrobbling = saved.scrobbling;
  enable_now_playing = saved.now_playing;
  settings_version = saved.version;
  pending_token = saved.token;
  session_key = saved.key;
  const Bytes stored = save();

  SetUp();
  load(stored);
  EXPECT_EQ(current(), saved);
  EXPECT_EQ(save(), stored);
}

TEST_F(SettingsTest, FreshInstallationHasDefaultsAndUpgradesToCurrentVersion) {
  load({});
  EXPECT_EQ(current(), kDefaults);
  upgrade_settings();
  EXPECT_EQ(current(), (Values{true, true, kSettingsVersion, "", ""}));
}

TEST_F(SettingsTest, UpgradeDropsOnlyAPendingTokenOfOlderVersions) {
  const struct {
    Values stored;
    Values upgraded;
  } cases[] = {
      {{false, true, 3, "tok", "key"}, {false, true, 4, "", "key"}},
      {{true, false, 0, "tok", ""}, {true, false, 4, "", ""}},
      {{true, true, -5, "tok", "key"}, {true, true, 4, "", "key"}},
      {{true, true, 4, "tok", "key"}, {true, true, 4, "tok", "key"}},
      {{false, false, 7, "tok", "key"}, {false, false, 7, "tok", "key"}},
  };
  for (const auto& c : cases) {
    enable_scrobbling = c.stored.scrobbling;
    enable_now_playing = c.stored.now_playing;
    settings_version = c.stored.version;
    pending_token = c.stored.token;
    session_key = c.stored.key;
    upgrade_settings();
    EXPECT_EQ(current(), c.upgraded) << "stored " << c.stored;
    upgrade_settings();
    EXPECT_EQ(current(), c.upgraded) << "second run, stored " << c.stored;
  }
}

TEST_F(SettingsTest, LoadsRecordsInAnyOrderAndSkipsForeignOnes) {
  load(concat({record(kSessionGuid, text("key")), record(kForeignGuid, text("not ours")),
               record(kScrobblingGuid, {0x00}), record(kForeignGuid, {}),
               record(kVersionGuid, {0x03, 0x00, 0x00, 0x00}), record(kTokenGuid, text("tok"))}));
  EXPECT_EQ(current(), (Values{false, true, 3, "tok", "key"}));
}

TEST_F(SettingsTest, DamagedRecordsKeepEarlierValuesAndNeverReadPastTheEnd) {
  const Bytes good_token = record(kTokenGuid, text("tok"));
  Bytes cut_session = record(kSessionGuid, text("session-key"));
  cut_session.resize(cut_session.size() - 3);
  Bytes huge_length = concat({kSessionGuid, {0xFF, 0xFF, 0xFF, 0xFF}});
  huge_length.insert(huge_length.end(), 10, 'x');
  const Bytes half_header(kVersionGuid.begin(), kVersionGuid.begin() + 9);

  const struct {
    const char* what;
    Bytes stored;
    Values expected;
  } cases[] = {
      {"empty switch record, then more records",
       concat({record(kScrobblingGuid, {}), good_token}),
       {true, true, 0, "tok", "key0"}},
      {"two-byte version record",
       concat({record(kVersionGuid, {0x07, 0x00}), good_token}),
       {true, true, 0, "tok", "key0"}},
      {"longer switch record: first byte counts, the rest is skipped",
       concat({record(kNowPlayingGuid, {0x00, 0x01, 0x01}), good_token}),
       {true, false, 0, "tok", "key0"}},
      {"string cut short by the end of the data",
       concat({good_token, cut_session}),
       {true, true, 0, "tok", "key0"}},
      {"length far beyond the data",
       concat({good_token, huge_length}),
       {true, true, 0, "tok", "key0"}},
      {"header cut in the middle of a GUID",
       concat({good_token, half_header}),
       {true, true, 0, "tok", "key0"}},
      {"GUID without its length",
       concat({good_token, kVersionGuid, {0x04, 0x00}}),
       {true, true, 0, "tok", "key0"}},
  };
  for (const auto& c : cases) {
    SetUp();
    session_key = "key0";
    load(c.stored);
    EXPECT_EQ(current(), c.expected) << c.what;
  }
}

TEST_F(SettingsTest, EmptyStringRecordsGiveEmptyStrings) {
  pending_token = "old token";
  session_key = "old key";
  load(concat({record(kTokenGuid, {}), record(kSessionGuid, {})}));
  EXPECT_EQ(pending_token.get(), "");
  EXPECT_EQ(session_key.get(), "");
  EXPECT_EQ(save(), concat({record(kVersionGuid, {0, 0, 0, 0}), record(kNowPlayingGuid, {1}),
                            record(kScrobblingGuid, {1}), record(kTokenGuid, {}),
                            record(kSessionGuid, {})}));
}

TEST_F(SettingsTest, AnyNonZeroSwitchByteIsOnAndIsSavedAsOne) {
  const struct {
    std::uint8_t stored;
    bool on;
  } cases[] = {{0x00, false}, {0x01, true}, {0x02, true}, {0xFF, true}};
  for (const auto& c : cases) {
    enable_scrobbling = !c.on;
    load(record(kScrobblingGuid, {c.stored}));
    EXPECT_EQ(static_cast<bool>(enable_scrobbling), c.on) << int{c.stored};
    const Bytes saved = save();
    const auto at =
        std::search(saved.begin(), saved.end(), kScrobblingGuid.begin(), kScrobblingGuid.end());
    ASSERT_NE(at, saved.end());
    EXPECT_EQ(Bytes(at, at + 21),
              record(kScrobblingGuid, {static_cast<std::uint8_t>(c.on ? 1 : 0)}));
  }
}

}  // namespace
}  // namespace foo_brivanto
