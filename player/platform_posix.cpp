#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "player/platform.h"

namespace fbplayer {

bool Library::open(const std::string& path, std::string& error) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* reason = dlerror();  // NOLINT(concurrency-mt-unsafe): main thread only
    error = reason != nullptr ? reason : "cannot load " + path;
    return false;
  }
  return true;
}

void* Library::symbol(const char* name) const {
  return handle_ == nullptr ? nullptr : dlsym(handle_, name);
}

bool replace_file(const std::string& from, const std::string& to, std::string& error) {
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    error = "cannot replace " + to + ": " + std::strerror(errno);  // NOLINT(concurrency-mt-unsafe)
    return false;
  }
  return true;
}

bool stdin_is_terminal() {
  return isatty(STDIN_FILENO) != 0;
}

}  // namespace fbplayer
