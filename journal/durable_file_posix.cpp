// Durable files over POSIX calls: pwrite and fsync, rename for atomic replacement, hard links
// for names that must not replace anything, and fsync of the folder after a name changes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "journal/durable_file.h"

namespace foo_brivanto {
namespace {

std::string reason(int code) {
  char buffer[256] = {};
  return strerror_r(code, buffer, sizeof buffer);  // GNU form: returns the text
}

std::string failure(const std::string& what, const std::string& path, int code) {
  return concat({what, " ", path, ": ", reason(code)});
}

// A file descriptor, closed with the object.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) {
      close(fd_);
    }
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes now; false with errno set when the system reports a failure.
  bool close_now() {
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

bool write_all(int fd, std::string_view bytes, std::uint64_t offset) {
  while (!bytes.empty()) {
    const ssize_t written = pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      if (written == 0) {
        errno = EIO;
      }
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
    offset += static_cast<std::uint64_t>(written);
  }
  return true;
}

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A new name in a folder lasts through a power cut only once the folder itself is flushed.
bool sync_folder(const std::string& path, std::string& error) {
  const std::string folder = folder_of(path);
  Descriptor fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0 || fsync(fd.get()) != 0) {
    error = failure("cannot flush the folder", folder, errno);
    return false;
  }
  return true;
}

class PosixAppendFile final : public AppendFile {
 public:
  PosixAppendFile(int fd, std::string path, std::uint64_t end, bool cut_needed)
      : fd_(fd), path_(std::move(path)), size_(end), cut_needed_(cut_needed) {}

  bool append(std::string_view bytes, std::string& error) override {
    if (cut_needed_ && !cut_back()) {
      error = failure("cannot write", path_, errno);
      return false;
    }
    if (!write_all(fd_.get(), bytes, size_) || fsync(fd_.get()) != 0) {
      error = failure("cannot write", path_, errno);
      cut_needed_ = !cut_back();
      return false;
    }
    size_ += bytes.size();
    return true;
  }

  std::uint64_t size() const override { return size_; }

 private:
  bool cut_back() {
    if (ftruncate(fd_.get(), static_cast<off_t>(size_)) != 0 || fsync(fd_.get()) != 0) {
      return false;
    }
    cut_needed_ = false;
    return true;
  }

  Descriptor fd_;
  std::string path_;
  std::uint64_t size_;
  bool cut_needed_;  // bytes past size_ (a torn tail, or a failed append) may be in the file
};

// Writes `bytes` to a new temporary file beside `path` and flushes it; its name is `temp`.
bool write_temporary(const std::string& path, std::string_view bytes, std::string& temp,
                     std::string& error) {
  temp = path + ".new";
  Descriptor fd(open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.get() < 0) {
    error = failure("cannot write", temp, errno);
    return false;
  }
  if (!write_all(fd.get(), bytes, 0) || fsync(fd.get()) != 0 || !fd.close_now()) {
    error = failure("cannot write", temp, errno);
    unlink(temp.c_str());
    return false;
  }
  return true;
}

// Gives the file at `path` a second, new name of its own (a hard link, which never replaces
// anything). Where the file system has no hard links, the file is moved to that name instead:
// `moved` then says that `path` is gone.
bool give_new_name(const std::string& path, const std::string& label, std::string& kept_as,
                   bool& moved, std::string& error) {
  for (int number = 1; number <= 1000; ++number) {
    kept_as = aside_path(path, label, number);
    if (link(path.c_str(), kept_as.c_str()) == 0) {
      moved = false;
      return true;
    }
    if (errno == EEXIST) {
      continue;
    }
    struct stat existing {};
    if (lstat(kept_as.c_str(), &existing) == 0) {
      continue;
    }
    if (rename(path.c_str(), kept_as.c_str()) == 0) {
      moved = true;
      return true;
    }
    error = failure("cannot set aside", path, errno);
    return false;
  }
  error = concat({"cannot set aside ", path, ": too many files set aside beside it"});
  return false;
}

// Puts the flushed temporary file `temp` in the place of `path`, and makes the change durable.
bool move_into_place(const std::string& temp, const std::string& path, std::string& error) {
  if (rename(temp.c_str(), path.c_str()) != 0) {
    error = failure("cannot replace", path, errno);
    unlink(temp.c_str());
    return false;
  }
  return sync_folder(path, error);
}

}  // namespace

std::string join_path(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') {
    return concat({folder, name});
  }
  return concat({folder, "/", name});
}

std::unique_ptr<AppendFile> open_append_file(const std::string& path, std::uint64_t end,
                                             std::string& error) {
  const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) {
    error = failure("cannot write", path, errno);
    return nullptr;
  }
  struct stat status {};
  const bool longer = fstat(fd, &status) != 0 || static_cast<std::uint64_t>(status.st_size) != end;
  return std::make_unique<PosixAppendFile>(fd, path, end, longer);
}

ReadOutcome read_file(const std::string& path, std::size_t max_bytes, std::string& bytes,
                      std::uint64_t& size, std::string& error) {
  bytes.clear();
  size = 0;
  Descriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      return ReadOutcome::missing;
    }
    error = failure("cannot read", path, errno);
    return ReadOutcome::failed;
  }
  struct stat status {};
  if (fstat(fd.get(), &status) != 0) {
    error = failure("cannot read", path, errno);
    return ReadOutcome::failed;
  }
  if (!S_ISREG(status.st_mode)) {
    error = S_ISDIR(status.st_mode) ? failure("cannot read", path, EISDIR)
                                    : concat({"cannot read ", path, ": not a file"});
    return ReadOutcome::failed;
  }
  int code = 0;
  const ReadOutcome outcome =
      read_whole(static_cast<std::uint64_t>(status.st_size), max_bytes, bytes, size,
                 [&fd, &code](char* into, std::size_t count) -> std::int64_t {
                   ssize_t got = 0;
                   do {
                     got = read(fd.get(), into, count);
                   } while (got < 0 && errno == EINTR);
                   code = errno;
                   return got;
                 });
  if (outcome == ReadOutcome::failed) {
    error = failure("cannot read", path, code);
  }
  return outcome;
}

bool create_folder(const std::string& path, std::string& error) {
  if (mkdir(path.c_str(), 0777) == 0) {
    return sync_folder(path, error);
  }
  const int code = errno;
  struct stat existing {};
  if (code == EEXIST && stat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
    return true;
  }
  error = failure("cannot create the folder", path, code == EEXIST ? ENOTDIR : code);
  return false;
}

bool replace_file(const std::string& path, std::string_view bytes, std::string& error) {
  std::string temp;
  return write_temporary(path, bytes, temp, error) && move_into_place(temp, path, error);
}

bool replace_file_keeping_old(const std::string& path, std::string_view bytes,
                              const std::string& label, std::string& kept_as, std::string& error) {
  std::string temp;
  if (!write_temporary(path, bytes, temp, error)) {
    return false;
  }
  bool moved = false;
  if (!give_new_name(path, label, kept_as, moved, error) || !sync_folder(path, error)) {
    unlink(temp.c_str());
    return false;
  }
  return move_into_place(temp, path, error);
}

bool set_file_aside(const std::string& path, const std::string& label, std::string& kept_as,
                    std::string& error) {
  bool moved = false;
  if (!give_new_name(path, label, kept_as, moved, error)) {
    return false;
  }
  if (!moved && unlink(path.c_str()) != 0) {
    error = failure("cannot set aside", path, errno);
    return false;
  }
  return sync_folder(path, error);
}

}  // namespace foo_brivanto
