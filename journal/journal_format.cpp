// The journal file's format (journal_format.h), with zlib's CRC-32 as the checksum.
#include "journal/journal_format.h"

#include <zlib.h>

#include <limits>

namespace foo_brivanto {
namespace {

constexpr std::string_view kMagic{"BRVJRNL\x1a", 8};
constexpr std::string_view kSyncMarker{"\xf7JRN", 4};
constexpr std::size_t kKeptFixedSize = 1 + 8 + 8 + 4 + 3 * 2;
constexpr std::size_t kMaxTextBytes = kMaxRecordPayload - kKeptFixedSize;

std::uint32_t checksum(std::string_view bytes) {
  // Records and headers are far below crc32's unsigned int length limit.
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

void put(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFU));
  }
}

std::uint64_t get(std::string_view bytes, std::size_t at, int count) {
  std::uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) {
    value = (value << 8U) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  }
  return value;
}

// A length of 2 or 4 bytes, which fits a size_t on every platform.
std::size_t get_length(std::string_view bytes, std::size_t at, int count) {
  return static_cast<std::size_t>(get(bytes, at, count));
}

void put_text(std::string& out, const std::string& text) {
  put(out, text.size(), 2);
  out += text;
}

void put_at(std::string& out, std::size_t at, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFFU);
  }
}

// Frames the payload that `out` holds from `start` + kRecordFrameSize on.
void frame(std::string& out, std::size_t start) {
  out.replace(start, kSyncMarker.size(), kSyncMarker);
  put_at(out, start + 8, out.size() - start - kRecordFrameSize, 4);
  put_at(out, start + 4, checksum(std::string_view(out).substr(start + 8)), 4);
}

// Whether a "kept" payload's texts fill it exactly.
bool kept_payload_fits(std::string_view payload) {
  if (payload.size() < kKeptFixedSize) {
    return false;
  }
  std::size_t at = 1 + 8 + 8 + 4;
  for (int text = 0; text < 3; ++text) {
    if (at + 2 > payload.size()) {
      return false;
    }
    at += 2 + get_length(payload, at, 2);
  }
  return at == payload.size();
}

std::string take_text(std::string_view payload, std::size_t& at) {
  const std::size_t length = get_length(payload, at, 2);
  std::string text(payload.substr(at + 2, length));
  at += 2 + length;
  return text;
}

}  // namespace

void append_header(std::string& out, std::uint64_t next_id) {
  const std::size_t start = out.size();
  out += kMagic;
  put(out, kJournalFormatVersion, 4);
  put(out, next_id, 8);
  put(out, checksum(std::string_view(out).substr(start)), 4);
}

HeaderCheck read_header(std::string_view file, JournalHeader& header) {
  if (file.size() < kMagic.size() + 4 || file.substr(0, kMagic.size()) != kMagic) {
    return HeaderCheck::not_a_journal;
  }
  header.version = static_cast<std::uint32_t>(get(file, 8, 4));
  if (header.version != kJournalFormatVersion) {
    return HeaderCheck::other_version;
  }
  if (file.size() < kJournalHeaderSize || get(file, 20, 4) != checksum(file.substr(0, 20))) {
    return HeaderCheck::not_a_journal;
  }
  header.next_id = get(file, 12, 8);
  return HeaderCheck::journal;
}

bool append_kept_record(std::string& out, const KeptScrobble& entry) {
  const TrackInfo& track = entry.track;
  if (track.artist.size() + track.title.size() + track.album.size() > kMaxTextBytes) {
    return false;
  }
  const std::size_t start = out.size();
  out.append(kRecordFrameSize, '\0');
  out.push_back(static_cast<char>(RecordKind::kept));
  put(out, entry.id, 8);
  put(out, static_cast<std::uint64_t>(track.timestamp), 8);
  put(out, static_cast<std::uint32_t>(track.duration), 4);
  put_text(out, track.artist);
  put_text(out, track.title);
  put_text(out, track.album);
  frame(out, start);
  return true;
}

std::size_t kept_record_size(const TrackInfo& track) {
  return kRecordFrameSize + kKeptFixedSize + track.artist.size() + track.title.size() +
         track.album.size();
}

void append_forgotten_record(std::string& out, std::uint64_t id) {
  const std::size_t start = out.size();
  out.append(kRecordFrameSize, '\0');
  out.push_back(static_cast<char>(RecordKind::forgotten));
  put(out, id, 8);
  frame(out, start);
}

KeptScrobble decode_kept(const JournalRecord& record) {
  const std::string_view payload = record.payload;
  KeptScrobble entry;
  entry.id = record.id;
  entry.track.timestamp = static_cast<std::int64_t>(get(payload, 9, 8));
  entry.track.duration = static_cast<std::int32_t>(static_cast<std::uint32_t>(get(payload, 17, 4)));
  std::size_t at = 21;
  entry.track.artist = take_text(payload, at);
  entry.track.title = take_text(payload, at);
  entry.track.album = take_text(payload, at);
  return entry;
}

bool RecordReader::good_record_at(std::size_t at, JournalRecord& record) const {
  if (bytes_.size() - at < kRecordFrameSize || bytes_.substr(at, 4) != kSyncMarker) {
    return false;
  }
  const std::size_t length = get_length(bytes_, at + 8, 4);
  if (length < 1 + 8 || length > kMaxRecordPayload ||
      bytes_.size() - at - kRecordFrameSize < length ||
      get(bytes_, at + 4, 4) != checksum(bytes_.substr(at + 8, 4 + length))) {
    return false;
  }
  const std::string_view payload = bytes_.substr(at + kRecordFrameSize, length);
  const auto kind = static_cast<RecordKind>(static_cast<unsigned char>(payload[0]));
  if (kind == RecordKind::kept ? !kept_payload_fits(payload)
                               : kind != RecordKind::forgotten || length != 1 + 8) {
    return false;
  }
  record.kind = kind;
  record.id = get(payload, 1, 8);
  record.payload = payload;
  record.size = kRecordFrameSize + length;
  return true;
}

bool RecordReader::next(JournalRecord& record) {
  std::size_t bad_from = std::numeric_limits<std::size_t>::max();
  while (position_ < bytes_.size()) {
    if (good_record_at(position_, record)) {
      if (bad_from != std::numeric_limits<std::size_t>::max()) {
        ++damaged_parts_;
        damaged_bytes_ += position_ - bad_from;
      }
      position_ += record.size;
      return true;
    }
    bad_from = std::min(bad_from, position_);
    position_ = bytes_.find(kSyncMarker, position_ + 1);
    if (position_ == std::string_view::npos) {
      position_ = bytes_.size();
    }
  }
  if (bad_from != std::numeric_limits<std::size_t>::max()) {
    torn_bytes_ = bytes_.size() - bad_from;
  }
  return false;
}

}  // namespace foo_brivanto
