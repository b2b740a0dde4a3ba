// Durable files: the few operating-system operations the journal needs so that what it writes
// survives a crash or a power cut, with one implementation per platform
// (durable_file_posix.cpp, durable_file_win32.cpp).
//
// "Durable" means flushed to the device (fsync on POSIX, FlushFileBuffers on Windows) before
// the call returns: once it has returned true, a power cut does not undo it. Paths are UTF-8
// (the wide-character calls on Windows), so that non-ASCII user names and profile folders work.
// Every failure leaves an English text in `error` that names the path and gives the system's
// reason. Not synchronised: one owner uses a file at a time, off the player's main thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

namespace foo_brivanto {

// The parts joined in one string. The journal's many texts are built with it rather than with
// chains of `+`, whose temporaries cost the shipped DLL a good deal of code.
std::string concat(std::initializer_list<std::string_view> parts);

// `folder` followed by the platform's separator (unless it ends with one) and `name`.
std::string join_path(const std::string& folder, const std::string& name);

// The name under which a file set aside is kept: "journal.bin" with label "damaged" and
// number 2 becomes "journal-damaged-2.bin", in the same folder.
std::string aside_path(const std::string& path, const std::string& label, int number);

// A file that is only ever written at its end.
class AppendFile {
 public:
  virtual ~AppendFile() = default;
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Writes `bytes` at the end and flushes them to the device. On failure the file is cut back
  // to where it ended before, as far as the system lets it, so that a half-written record
  // never stays in front of the next one; the end is cut again before the next append.
  virtual bool append(std::string_view bytes, std::string& error) = 0;

  // Bytes in the file: where the next append starts.
  virtual std::uint64_t size() const = 0;

 protected:
  AppendFile() = default;
};

// Opens the existing file at `path` for appending after its first `end` bytes (what the
// caller read of it and holds good). Null, with the reason in `error`, when it cannot be
// written: it is missing, read-only, or its folder is.
std::unique_ptr<AppendFile> open_append_file(const std::string& path, std::uint64_t end,
                                             std::string& error);

enum class ReadOutcome {
  read,     // `bytes` holds the whole file
  missing,  // there is no file (or no folder) at the path
  too_big,  // the file is larger than the cap; `bytes` is empty and `size` is its size
  failed,   // it could not be read; `error` says why
};

// Reads the whole file at `path` into `bytes`, unless it holds more than `max_bytes`.
ReadOutcome read_file(const std::string& path, std::size_t max_bytes, std::string& bytes,
                      std::uint64_t& size, std::string& error);

// For the platform files: reads the rest of an open file that the system says holds `size`
// bytes, through `read_some`, which reads at most `count` bytes into `into` and returns how
// many (0 at its end, below 0 on a failure). Gives what read_file gives, but for `failed`,
// whose `error` the caller writes.
ReadOutcome read_whole(std::uint64_t size, std::size_t max_bytes, std::string& bytes,
                       std::uint64_t& read_size,
                       const std::function<std::int64_t(char* into, std::size_t count)>& read_some);

// Creates the folder at `path` (its parent must exist) unless it is there, durably.
bool create_folder(const std::string& path, std::string& error);

// Puts a new file holding `bytes` in place of the file at `path` (or where none is),
// atomically and durably: the bytes go to a temporary file beside it, which is flushed and
// then renamed over it. After a crash the path holds either the old file or the new one.
bool replace_file(const std::string& path, std::string_view bytes, std::string& error);

// The same, and the old file is kept under a new name of its own (aside_path with `label`
// and the first free number, which `kept_as` gets) instead of being overwritten. The old file
// keeps its name until the new one takes it, so that a crash leaves one of them there.
bool replace_file_keeping_old(const std::string& path, std::string_view bytes,
                              const std::string& label, std::string& kept_as, std::string& error);

// Moves the file at `path` to a new name of its own (aside_path with `label` and the first
// free number, which `kept_as` gets), durably; nothing is ever overwritten.
bool set_file_aside(const std::string& path, const std::string& label, std::string& kept_as,
                    std::string& error);

}  // namespace foo_brivanto
