// What a journal file's bytes hold: the waiting entries, and what was wrong with the file.
// Pure code, no I/O: journal_file_store.cpp reads the file and decides what to do about it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "journal/journal_format.h"
#include "journal/journal_store.h"

namespace foo_brivanto {

struct LoadedJournal {
  HeaderCheck header = HeaderCheck::not_a_journal;
  std::uint32_t version = 0;  // of a file of another version
  // The waiting entries, oldest first: kept records without a forgotten record, at most
  // kJournalCapacity of them (the newest).
  std::deque<KeptScrobble> entries;
  // The id the next kept entry gets: above every id the file has used.
  std::uint64_t next_id = 1;
  // Bytes that the file needs for these entries alone (header and their kept records).
  std::uint64_t live_bytes = 0;
  // The reader's findings (RecordReader): damage within the file, and a torn last record.
  std::size_t damaged_parts = 0;
  std::size_t damaged_bytes = 0;
  std::size_t torn_bytes = 0;
  // Waiting entries beyond kJournalCapacity, the oldest, left out of `entries`.
  std::size_t over_capacity = 0;
};

// Reads the journal in `file`. A file whose header is not a journal's is searched for good
// records all the same; a file of another version is not read at all.
LoadedJournal load_journal(std::string_view file);

// The bytes of a journal file that holds `entries` alone, with next id `next_id`.
std::string encode_journal(const std::deque<KeptScrobble>& entries, std::uint64_t next_id);

}  // namespace foo_brivanto
