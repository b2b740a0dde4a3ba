// What the journal's disk work costs, against the bare system calls it cannot do without:
// keeping one scrobble (encode, append, flush) against one write and fsync of the same bytes,
// and loading a journal of 10,000 entries at start-up against reading the file's bytes.
// Native (Linux) builds only.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "journal/durable_file.h"
#include "journal/journal_format.h"
#include "journal/journal_load.h"
#include "journal/journal_test_files.h"

namespace foo_brivanto {
namespace {

// A scrobble of typical size, its texts partly Cyrillic.
TrackInfo scrobble(std::size_t number) {
  return {"Сплин", "Выхода нет " + std::to_string(number), "Гранатовый альбом", 245,
          1765116180 + static_cast<std::int64_t>(number) * 250};
}

void BM_KeepOneScrobble(benchmark::State& state) {
  const brivanto_test::TempFolder folder;
  std::vector<std::string> notes;
  std::string error;
  const auto store = open_journal_file(folder.path(), notes, error);
  KeptScrobble kept;
  std::vector<KeptScrobble> dropped;
  std::size_t number = 0;
  for (auto _ : state) {
    if (!store->keep(scrobble(++number), kept, dropped, error)) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
}
BENCHMARK(BM_KeepOneScrobble)->Iterations(2000)->UseRealTime();

// The same bytes as a kept record, by one write and one fsync of an open file.
void BM_BareWriteAndFsync(benchmark::State& state) {
  const brivanto_test::TempFolder folder;
  const std::string path = folder / "bare.bin";
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  std::string record;
  append_kept_record(record, {1, scrobble(1)});
  for (auto _ : state) {
    if (write(fd, record.data(), record.size()) != static_cast<ssize_t>(record.size()) ||
        fsync(fd) != 0) {
      state.SkipWithError("write or fsync failed");
      break;
    }
  }
  close(fd);
}
BENCHMARK(BM_BareWriteAndFsync)->Iterations(2000)->UseRealTime();

// A journal of 10,000 waiting entries, as a long outage leaves it.
class FullJournal : public benchmark::Fixture {
 public:
  void SetUp(const benchmark::State& /*state*/) override {
    folder_ = std::make_unique<brivanto_test::TempFolder>();
    std::deque<KeptScrobble> entries;
    for (std::size_t id = 1; id <= kJournalCapacity; ++id) {
      entries.push_back({id, scrobble(id)});
    }
    brivanto_test::write_bytes(path(), encode_journal(entries, kJournalCapacity + 1));
  }
  void TearDown(const benchmark::State& /*state*/) override { folder_.reset(); }

  std::string folder() const { return folder_->path(); }
  std::string path() const { return *folder_ / "journal.bin"; }

 private:
  std::unique_ptr<brivanto_test::TempFolder> folder_;
};

// With argument 1, the file's pages are dropped from the system's cache before each round, as
// after a reboot; with 0 they stay there, as when the player starts again soon.
void drop_cached_pages(const benchmark::State& state, const std::string& path) {
  if (state.range(0) == 0) {
    return;
  }
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  close(fd);
}

BENCHMARK_DEFINE_F(FullJournal, LoadTenThousand)(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    drop_cached_pages(state, path());
    std::vector<std::string> notes;
    std::string error;
    state.ResumeTiming();
    auto store = open_journal_file(folder(), notes, error);
    state.PauseTiming();
    if (!store || store->entries().size() != kJournalCapacity || !notes.empty()) {
      state.SkipWithError("the journal did not load whole");
      break;
    }
    store.reset();  // the player's exit, not its start
    state.ResumeTiming();
  }
}
BENCHMARK_REGISTER_F(FullJournal, LoadTenThousand)->Arg(0)->Arg(1);

// The file's bytes alone: open, size, read, close.
BENCHMARK_DEFINE_F(FullJournal, ReadTheFileBytes)(benchmark::State& state) {
  const std::string file = path();
  for (auto _ : state) {
    state.PauseTiming();
    drop_cached_pages(state, file);
    state.ResumeTiming();
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    fstat(fd, &status);
    std::string bytes(static_cast<std::size_t>(status.st_size), '\0');
    const ssize_t got = read(fd, bytes.data(), bytes.size());
    close(fd);
    if (got != status.st_size) {
      state.SkipWithError("short read");
      break;
    }
    benchmark::DoNotOptimize(bytes.data());
  }
}
BENCHMARK_REGISTER_F(FullJournal, ReadTheFileBytes)->Arg(0)->Arg(1);

}  // namespace
}  // namespace foo_brivanto
