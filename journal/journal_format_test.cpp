// The journal's file format: records read back as written, and damage found without losing a
// good record. (Headers and torn ends: journal_store_test.cpp.)
#include "journal/journal_format.h"

#include <gtest/gtest.h>

#include <vector>

namespace foo_brivanto {
namespace {

KeptScrobble entry(std::uint64_t id, std::string title, std::string album = "Гранатовый альбом") {
  return {id, TrackInfo{"Сплин", std::move(title), std::move(album), 245, 1765116180}};
}

std::vector<JournalRecord> read_all(RecordReader& reader) {
  std::vector<JournalRecord> records;
  JournalRecord record;
  while (reader.next(record)) {
    records.push_back(record);
  }
  return records;
}

TEST(JournalFormatTest, RecordsReadBackAsWritten) {
  const std::vector<KeptScrobble> entries = {
      entry(1, "Выхода нет"),
      entry(2, "", ""),
      {3, TrackInfo{"A", "B", "", -1, -5}},
      {0xFFFFFFFFFFFFULL,
       TrackInfo{"x", std::string(4069 - 1, 'y'), "", 2147483647, 9223372036854775807LL}},
  };
  std::string bytes;
  for (const KeptScrobble& kept : entries) {
    ASSERT_TRUE(append_kept_record(bytes, kept));
    append_forgotten_record(bytes, kept.id);
  }
  RecordReader reader(bytes);
  const std::vector<JournalRecord> records = read_all(reader);
  ASSERT_EQ(records.size(), 2 * entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const KeptScrobble decoded = decode_kept(records[2 * i]);
    EXPECT_EQ(records[2 * i].kind, RecordKind::kept);
    EXPECT_EQ(records[2 * i].size, kept_record_size(entries[i].track));
    EXPECT_EQ(decoded.id, entries[i].id);
    EXPECT_EQ(decoded.track.artist, entries[i].track.artist);
    EXPECT_EQ(decoded.track.title, entries[i].track.title);
    EXPECT_EQ(decoded.track.album, entries[i].track.album);
    EXPECT_EQ(decoded.track.duration, entries[i].track.duration);
    EXPECT_EQ(decoded.track.timestamp, entries[i].track.timestamp);
    EXPECT_EQ(records[2 * i + 1].kind, RecordKind::forgotten);
    EXPECT_EQ(records[2 * i + 1].id, entries[i].id);
  }
  EXPECT_EQ(reader.damaged_parts() + reader.torn_bytes(), 0U);

  std::string unchanged = bytes;
  EXPECT_FALSE(
      append_kept_record(unchanged, {9, TrackInfo{"x", std::string(4069, 'y'), "", 0, 0}}));
  EXPECT_EQ(unchanged, bytes);
}

// Three records; every byte of the middle one flipped in turn: the reader skips it alone.
TEST(JournalFormatTest, EachDamagedByteCostsItsRecordAlone) {
  std::string bytes;
  append_kept_record(bytes, entry(1, "first"));
  const std::size_t middle = bytes.size();
  append_kept_record(bytes, entry(2, "second"));
  const std::size_t last = bytes.size();
  append_forgotten_record(bytes, 1);
  for (std::size_t at = middle; at < last; ++at) {
    std::string damaged = bytes;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x41);
    RecordReader reader(damaged);
    const std::vector<JournalRecord> records = read_all(reader);
    ASSERT_EQ(records.size(), 2U) << "byte " << at;
    EXPECT_EQ(records[0].id, 1U);
    EXPECT_EQ(records[1].kind, RecordKind::forgotten);
    EXPECT_EQ(reader.damaged_parts(), 1U);
    EXPECT_EQ(reader.damaged_bytes(), last - middle);
    EXPECT_EQ(reader.torn_bytes(), 0U);
  }
}

}  // namespace
}  // namespace foo_brivanto
