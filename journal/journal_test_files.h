// Files and folders for the journal's tests and benchmarks: a fresh folder with a non-ASCII
// name for each test, whole-file reads and writes that do not go through the code under test,
// and a file made unwritable to this process.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brivanto_test {

// A new, empty folder under the system's temporary folder, whose name holds non-ASCII
// letters; removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }  // UTF-8
  // The UTF-8 path of `name` in the folder.
  std::string operator/(const std::string& name) const;

 private:
  std::string path_;
};

std::string read_bytes(const std::string& path);  // empty when there is no such file
void write_bytes(const std::string& path, std::string_view bytes);
// A file of `size` bytes that takes no room on disk (its bytes are not written).
void write_sparse(const std::string& path, std::uint64_t size);
// The names of the files in `folder`, sorted.
std::vector<std::string> file_names(const std::string& folder);

// For its lifetime, the file at `path` cannot be opened for writing by this process, though
// it can be read: read-only (POSIX: and, for root, whom permission bits do not stop, this
// process acts as an unprivileged user; Windows: and locked against writers, since Wine run
// by root ignores the read-only attribute).
class Unwritable {
 public:
  explicit Unwritable(std::string path);
  ~Unwritable();
  Unwritable(const Unwritable&) = delete;
  Unwritable& operator=(const Unwritable&) = delete;

 private:
  std::string path_;
  void* state_ = nullptr;
};

}  // namespace brivanto_test
