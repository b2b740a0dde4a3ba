// The journal file's format: encoding and decoding only, no I/O (journal_file_store.cpp reads
// and writes the file).
//
// The file is a header followed by records, appended one after another and never changed in
// place. All numbers are little-endian; texts are UTF-8.
//
//   header, 24 bytes
//     0   8  magic: "BRVJRNL" and the byte 0x1A
//     8   4  format version: 1 (a file of another version is never read or written)
//    12   8  next id: ids below it may have been used (forgotten entries leave no record)
//    20   4  CRC-32 of bytes 0-19
//
//   record
//     0   4  sync marker: the bytes F7 4A 52 4E
//     4   4  CRC-32 of the length and the payload (bytes 8 to 12 + n)
//     8   4  length n of the payload, at most 4096
//    12   n  payload, one of
//              kept:      kind 1, id (8), timestamp (8, signed Unix seconds), duration (4,
//                         signed seconds), then artist, title and album, each a 2-byte length
//                         and that many bytes
//              forgotten: kind 2, id (8)
//
// An entry is waiting when the file holds its "kept" record and no "forgotten" record for its
// id. Every record carries its own length and checksum, so that a reader tells a good record
// from a damaged one; the sync marker lets it find the next good record after damage and keep
// every good record. Bad bytes at the very end, with no good record after them, are a torn
// last record: a write cut short by a crash or a power cut.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "journal/journal_store.h"

namespace foo_brivanto {

inline constexpr std::uint32_t kJournalFormatVersion = 1;
inline constexpr std::size_t kJournalHeaderSize = 24;
inline constexpr std::size_t kRecordFrameSize = 12;
inline constexpr std::size_t kMaxRecordPayload = 4096;

enum class RecordKind : std::uint8_t { kept = 1, forgotten = 2 };

// Appends a header whose next id is `next_id`.
void append_header(std::string& out, std::uint64_t next_id);

enum class HeaderCheck {
  journal,        // a journal of this format; `version` and `next_id` are set
  other_version,  // a journal of another format version; `version` is set
  not_a_journal,  // anything else: too short, another magic, or a damaged header
};

struct JournalHeader {
  std::uint32_t version = 0;
  std::uint64_t next_id = 0;
};

// Checks the header at the start of `file`.
HeaderCheck read_header(std::string_view file, JournalHeader& header);

// Appends the "kept" record of `entry`. False, with nothing appended, when its texts are too
// long for one record (more than 4,069 bytes together).
bool append_kept_record(std::string& out, const KeptScrobble& entry);

// The bytes that the "kept" record of `track` takes.
std::size_t kept_record_size(const TrackInfo& track);

// Appends the "forgotten" record of entry `id`.
void append_forgotten_record(std::string& out, std::uint64_t id);

// A good record as the reader finds it.
struct JournalRecord {
  RecordKind kind = RecordKind::kept;
  std::uint64_t id = 0;
  std::string_view payload;  // within the bytes given to the reader
  std::size_t size = 0;      // of the whole record, frame included
};

// The entry of a "kept" record that a RecordReader returned.
KeptScrobble decode_kept(const JournalRecord& record);

// Walks the records in `bytes` (what follows the header), returning the good ones in order
// and skipping damaged bytes.
class RecordReader {
 public:
  explicit RecordReader(std::string_view bytes) : bytes_(bytes) {}

  // The next good record; false when there is none.
  bool next(JournalRecord& record);

  // Runs of bad bytes that a good record followed (damage within the file), and their bytes.
  std::size_t damaged_parts() const { return damaged_parts_; }
  std::size_t damaged_bytes() const { return damaged_bytes_; }
  // Bad bytes at the end with no good record after them (a torn last record); known once
  // next() has returned false.
  std::size_t torn_bytes() const { return torn_bytes_; }

 private:
  bool good_record_at(std::size_t at, JournalRecord& record) const;

  std::string_view bytes_;
  std::size_t position_ = 0;
  std::size_t damaged_parts_ = 0;
  std::size_t damaged_bytes_ = 0;
  std::size_t torn_bytes_ = 0;
};

}  // namespace foo_brivanto
