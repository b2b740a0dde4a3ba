// Journal files and stores for the journal's tests: records written with the format's own
// encoder, and a store opened, reopened and kept into in one line each.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "journal/journal_store.h"

namespace brivanto_test {

using Names = std::vector<std::string>;

foo_brivanto::TrackInfo track(const std::string& title);
std::string header(std::uint64_t next_id = 1);
std::string kept(std::uint64_t id, const std::string& title);
std::string forgotten(std::uint64_t id);
// `bytes` with one bit of the byte at `at` flipped.
std::string flip(std::string bytes, std::size_t at);
Names titles(const foo_brivanto::JournalStore& store);

struct Opened {
  std::unique_ptr<foo_brivanto::JournalStore> store;
  Names notes;
  std::string error;
};

Opened open(const std::string& folder);
// Opens the file again, after the store that had it open lets go of it.
void reopen(Opened& opened, const std::string& folder);

// Keeps a scrobble titled `title`; its entry (id 0 when it could not be kept: `error` says
// why, or the test fails when `error` is null), and in `dropped` what went to make room.
foo_brivanto::KeptScrobble keep(foo_brivanto::JournalStore& store, const std::string& title,
                                std::string* error = nullptr,
                                std::vector<foo_brivanto::KeptScrobble>* dropped = nullptr);

// Keeps one more and opens the file again: the file takes new entries, holds them and is read
// without a note.
void expect_keeps_after(const std::string& folder, Opened& opened, Names expected);

}  // namespace brivanto_test
