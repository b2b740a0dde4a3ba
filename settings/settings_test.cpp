// The persistent settings: defaults, stored form, damaged records and the upgrade.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

namespace foo_brivanto {
namespace {

using namespace std::string_literals;

// GUIDs in their stored byte order (three little-endian fields, then eight bytes).
const std::string kVersion = "\xF8\xD9\xC5\x1A\xB4\xC0\x62\x41\xF3\x45\x8E\x9F\x0A\x1B\x2C\x3D";
const std::string kNowPlaying = "\xE7\xC8\xB4\x09\xA3\xBF\x51\x40\xE2\x34\x7D\x8E\x9F\x0A\x1B\x2C";
const std::string kScrobbling = "\xD6\xB7\xA3\xF8\x92\xAE\x40\x4F\xD1\x23\x6C\x7D\x8E\x9F\x0A\x1B";
const std::string kToken = "\xC5\xA6\xF2\xE7\x81\x9D\x3F\x4E\xC0\x12\x5B\x6C\x7D\x8E\x9F\x0A";
const std::string kSession = "\xB4\xF5\xE1\xD6\x70\x8C\x2E\x4D\xBF\x01\x4A\x5B\x6C\x7D\x8E\x9F";
const std::string kKeep = "\x54\xB3\x67\x79\xAE\x0D\x03\x49\x91\x1C\x66\x63\x34\x0F\x9A\x2F";
const std::string kForeign = "0123456789abcdef";

std::string record(const std::string& guid, const std::string& data) {
  return guid + static_cast<char>(data.size()) + "\0\0\0"s + data;
}

// Scrobbling, now playing, version, pending token, session key.
using Values = std::tuple<bool, bool, int, std::string, std::string>;

Values current() {
  return {enable_scrobbling, enable_now_playing, settings_version, pending_token.get(),
          session_key.get()};
}

void set(const Values& v) {
  std::tie(enable_scrobbling, enable_now_playing, settings_version) =
      std::tuple(std::get<0>(v), std::get<1>(v), std::get<2>(v));
  pending_token = std::get<3>(v);
  session_key = std::get<4>(v);
}

// The player's abort flag, which must go with every read and write of its streams.
class Abort final : public abort_callback {
 public:
  bool is_aborting() const override { return false; }
  void* get_abort_event() const override { return nullptr; }
};

// Streams that count the calls that came without the abort flag they were given.
struct Reader final : stream_reader {
  Reader(const std::vector<std::uint8_t>& data, const abort_callback& abort)
      : memory(data.data(), data.size()), expected(&abort) {}
  std::size_t read(void* buffer, std::size_t size, abort_callback& abort) override {
    strays += &abort == expected ? 0 : 1;
    return memory.read(buffer, size, abort);
  }
  stream_reader_memory memory;
  const abort_callback* expected;
  int strays = 0;
};
struct Writer final : stream_writer {
  explicit Writer(const abort_callback& abort) : expected(&abort) {}
  void write(const void* buffer, std::size_t size, abort_callback& abort) override {
    strays += &abort == expected ? 0 : 1;
    memory.write(buffer, size, abort);
  }
  stream_writer_buffer memory;
  const abort_callback* expected;
  int strays = 0;
};

void load(const std::string& stored) {
  const std::vector<std::uint8_t> exact(stored.begin(), stored.end());  // ASan sees overreads
  Abort abort;
  Reader reader(exact, abort);
  cfg_var_reader::config_read_file(reader, abort);
  EXPECT_EQ(reader.strays, 0);
}

// First, while the settings hold what the library starts with (CTest runs each case alone).
TEST(SettingsTest, AFreshInstallationHasTheDefaultsAndUpgradesToTheCurrentVersion) {
  EXPECT_EQ(current(), Values(true, true, 0, "", ""));
  upgrade_settings();
  EXPECT_EQ(current(), Values(true, true, kSettingsVersion, "", ""));
}

TEST(SettingsTest, SavesOneRecordPerSetting) {
  set({false, true, -2, "tok", "k\xE2\x82\xAC\0b"s});
  keep_unsent_scrobbles = true;
  Abort abort;
  Writer writer(abort);
  cfg_var_writer::config_write_file(writer, abort);
  EXPECT_EQ(writer.strays, 0);
  const std::string stored(writer.memory.data().begin(), writer.memory.data().end());
  EXPECT_EQ(stored, record(kVersion, "\xFE\xFF\xFF\xFF") + record(kNowPlaying, "\1") +
                        record(kScrobbling, "\0"s) + record(kToken, "tok") +
                        record(kSession, "k\xE2\x82\xAC\0b"s) + record(kKeep, "\1"));
  keep_unsent_scrobbles = false;
}

// A configuration written before the switch existed has no record of it: the switch is off.
// One written with it keeps it.
TEST(SettingsTest, KeepingUnsentScrobblesIsOffUnlessStoredOn) {
  const struct {
    std::string stored;
    bool keep;
  } cases[] = {
      {record(kVersion, "\4\0\0\0"s) + record(kScrobbling, "\1") + record(kSession, "key"), false},
      {record(kSession, "key") + record(kKeep, "\1"), true},
      {record(kKeep, "\0"s), false},
  };
  for (const auto& c : cases) {
    keep_unsent_scrobbles = false;
    load(c.stored);
    EXPECT_EQ(keep_unsent_scrobbles, c.keep) << &c - cases;
  }
  keep_unsent_scrobbles = false;
}

// Records in any order, foreign ones skipped; a record too short or cut off changes nothing.
TEST(SettingsTest, LoadsRecordsInAnyOrderAndSkipsWhatItCannotTake) {
  const std::string tok = record(kToken, "tok");
  const Values kept = {false, false, 0, "tok", "key0"};
  const struct {
    std::string stored;
    Values loaded;
  } cases[] = {
      {record(kSession, "k\0y"s) + record(kForeign, "x") + record(kScrobbling, "\1") +
           record(kForeign, "") + record(kVersion, "\3\0\0\0"s) + tok + record(kNowPlaying, "\1"),
       {true, true, 3, "tok", "k\0y"s}},
      {record(kScrobbling, "\2") + record(kNowPlaying, "\xFF"), {true, true, 0, "", "key0"}},
      {record(kToken, "") + record(kSession, ""), {false, false, 0, "", ""}},
      {record(kVersion, "\7\0"s) + tok, kept},
      {record(kNowPlaying, "\1\0\0"s) + tok, {false, true, 0, "tok", "key0"}},
      {tok + record(kSession, "cut") + tok.substr(0, tok.size() - 1),
       {false, false, 0, "tok", "cut"}},
      {tok + kSession + "\xFF\xFF\xFF\xFFxyz", kept},
      {tok + kVersion + "\4\0"s, kept},
  };
  for (const auto& c : cases) {
    set({false, false, 0, "", "key0"});
    load(c.stored);
    EXPECT_EQ(current(), c.loaded) << &c - cases;
  }
}

TEST(SettingsTest, UpgradeDropsOnlyThePendingTokenOfOlderVersions) {
  const struct {
    Values stored, upgraded;
  } cases[] = {
      {{false, true, 3, "tok", "key"}, {false, true, 4, "", "key"}},
      {{true, true, -5, "tok", "key"}, {true, true, 4, "", "key"}},
      {{true, true, 4, "tok", "key"}, {true, true, 4, "tok", "key"}},
      {{false, false, 7, "tok", "key"}, {false, false, 7, "tok", "key"}},
  };
  for (const auto& c : cases) {
    set(c.stored);
    upgrade_settings();
    upgrade_settings();  // as often as it likes
    EXPECT_EQ(current(), c.upgraded) << std::get<2>(c.stored);
  }
}

}  // namespace
}  // namespace foo_brivanto
