// What the stand-in player needs of a POSIX system: libraries, durable files, the terminal.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "player/platform.h"

namespace fbplayer {
namespace {

std::string reason() {
  return std::strerror(errno);  // NOLINT(concurrency-mt-unsafe): main thread only
}

// Flushes an open file or folder to the disk and closes it; false when either fails.
bool sync_and_close(int fd) {
  const bool synced = fsync(fd) == 0;
  return close(fd) == 0 && synced;
}

}  // namespace

bool Library::open(const std::string& path, std::string& error) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* message = dlerror();  // NOLINT(concurrency-mt-unsafe): main thread only
    error = message != nullptr ? message : "cannot load " + path;
    return false;
  }
  return true;
}

void* Library::symbol(const char* name) const {
  return handle_ == nullptr ? nullptr : dlsym(handle_, name);
}

bool write_file_durably(const std::string& path, const std::vector<std::uint8_t>& bytes,
                        std::string& error) {
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg): open takes the mode as a variadic
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = "cannot write " + path + ": " + reason();
    return false;
  }
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      error = "cannot write " + path + ": " + reason();
      close(fd);
      return false;
    }
    written += static_cast<std::size_t>(n);
  }
  if (!sync_and_close(fd)) {
    error = "cannot write " + path + ": " + reason();
    return false;
  }
  return true;
}

bool replace_file(const std::string& from, const std::string& to, std::string& error) {
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    error = "cannot replace " + to + ": " + reason();
    return false;
  }
  // The rename lives in the folder: flush it too, or a power cut can bring back the old file.
  const std::string folder = std::filesystem::path(to).parent_path().string();
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0 || !sync_and_close(fd)) {
    error = "cannot flush " + folder + ": " + reason();
    return false;
  }
  return true;
}

bool stdin_is_terminal() {
  return isatty(STDIN_FILENO) != 0;
}

}  // namespace fbplayer
