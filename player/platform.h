// What the stand-in player needs of the operating system, one implementation file per
// platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fbplayer {

// A loaded component library.
class Library {
 public:
  Library() = default;
  // Leaves the library loaded: code in it may still run on other threads.
  ~Library() = default;
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // Loads the library at `path` (UTF-8). False with a message in `error` on failure.
  bool open(const std::string& path, std::string& error);
  // The address of exported symbol `name`, or null.
  void* symbol(const char* name) const;
  // The library's module handle, as the component's entry expects it.
  void* module_handle() const { return handle_; }

 private:
  void* handle_ = nullptr;
};

// Creates or truncates the file at `path` and writes `bytes` into it, down to the disk: the call
// returns only once the file's contents survive a power cut. False with a message in `error` on
// failure, which may leave a partly written file behind.
bool write_file_durably(const std::string& path, const std::vector<std::uint8_t>& bytes,
                        std::string& error);

// Puts `from` in place of `to` in one step, so that `to` is always either the old or the new
// file, and makes the change durable. False with a message in `error` on failure.
bool replace_file(const std::string& from, const std::string& to, std::string& error);

// Standard input is an interactive terminal.
bool stdin_is_terminal();

}  // namespace fbplayer
