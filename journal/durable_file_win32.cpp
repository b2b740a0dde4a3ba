// Durable files over the wide-character Windows calls: WriteFile at an offset and
// FlushFileBuffers, MoveFileExW with MOVEFILE_WRITE_THROUGH for atomic replacement, and hard
// links (or moves that never replace) for names set aside.
#include <windows.h>

#include <algorithm>

#include "journal/durable_file.h"
#include "sdk/utf16_win32.h"

namespace foo_brivanto {
namespace {

// The system's text for `code` in English where Windows has it, with the number.
std::string reason(DWORD code) {
  constexpr DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(flags, nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  if (length == 0) {
    length = FormatMessageW(flags, nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  }
  std::wstring wide = length > 0 ? std::wstring(text, length) : std::wstring();
  LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ' ||
                           wide.back() == L'.')) {
    wide.pop_back();
  }
  std::string result = wide.empty() ? std::string("system error") : utf16_to_utf8(wide);
  return concat({result, " (error ", std::to_string(code), ")"});
}

std::string failure(const std::string& what, const std::string& path, DWORD code) {
  return concat({what, " ", path, ": ", reason(code)});
}

// A file handle, closed with the object.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (valid()) {
      CloseHandle(handle_);
    }
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  bool close_now() {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return CloseHandle(handle) != FALSE;
  }

 private:
  HANDLE handle_;
};

bool move_to(HANDLE handle, std::uint64_t offset) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(handle, at, nullptr, FILE_BEGIN) != FALSE;
}

bool write_all(HANDLE handle, std::string_view bytes, std::uint64_t offset) {
  if (!move_to(handle, offset)) {
    return false;
  }
  while (!bytes.empty()) {
    const auto piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1U << 30U));
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data(), piece, &written, nullptr) || written == 0) {
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

class Win32AppendFile final : public AppendFile {
 public:
  Win32AppendFile(HANDLE handle, std::string path, std::uint64_t end, bool cut_needed)
      : handle_(handle), path_(std::move(path)), size_(end), cut_needed_(cut_needed) {}

  bool append(std::string_view bytes, std::string& error) override {
    if (cut_needed_ && !cut_back()) {
      error = failure("cannot write", path_, GetLastError());
      return false;
    }
    if (!write_all(handle_.get(), bytes, size_) || !FlushFileBuffers(handle_.get())) {
      error = failure("cannot write", path_, GetLastError());
      cut_needed_ = !cut_back();
      return false;
    }
    size_ += bytes.size();
    return true;
  }

  std::uint64_t size() const override { return size_; }

 private:
  bool cut_back() {
    if (!move_to(handle_.get(), size_) || !SetEndOfFile(handle_.get()) ||
        !FlushFileBuffers(handle_.get())) {
      return false;
    }
    cut_needed_ = false;
    return true;
  }

  Handle handle_;
  std::string path_;
  std::uint64_t size_;
  bool cut_needed_;  // bytes past size_ (a torn tail, or a failed append) may be in the file
};

// Writes `bytes` to a new temporary file beside `path` and flushes it; its name is `temp`.
bool write_temporary(const std::string& path, std::string_view bytes, std::string& temp,
                     std::string& error) {
  temp = path + ".new";
  const std::wstring wide = utf8_to_utf16(temp);
  Handle file(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    error = failure("cannot write", temp, GetLastError());
    return false;
  }
  if (!write_all(file.get(), bytes, 0) || !FlushFileBuffers(file.get()) || !file.close_now()) {
    error = failure("cannot write", temp, GetLastError());
    DeleteFileW(wide.c_str());
    return false;
  }
  return true;
}

// Renames the flushed temporary file over `path`; the rename itself is written through.
bool move_into_place(const std::string& temp, const std::string& path, std::string& error) {
  const std::wstring wide_temp = utf8_to_utf16(temp);
  if (!MoveFileExW(wide_temp.c_str(), utf8_to_utf16(path).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = failure("cannot replace", path, GetLastError());
    DeleteFileW(wide_temp.c_str());
    return false;
  }
  return true;
}

bool name_taken(DWORD code) {
  return code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS;
}

// Moves the file at `path` to the first free name set aside for it; never replaces anything.
bool move_aside(const std::string& path, const std::string& label, std::string& kept_as,
                std::string& error) {
  const std::wstring from = utf8_to_utf16(path);
  for (int number = 1; number <= 1000; ++number) {
    kept_as = aside_path(path, label, number);
    if (MoveFileExW(from.c_str(), utf8_to_utf16(kept_as).c_str(), MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    const DWORD code = GetLastError();
    if (!name_taken(code)) {
      error = failure("cannot set aside", path, code);
      return false;
    }
  }
  error = concat({"cannot set aside ", path, ": too many files set aside beside it"});
  return false;
}

}  // namespace

std::string join_path(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '\\' || folder.back() == '/') {
    return concat({folder, name});
  }
  return concat({folder, "\\", name});
}

std::unique_ptr<AppendFile> open_append_file(const std::string& path, std::uint64_t end,
                                             std::string& error) {
  HANDLE handle = CreateFileW(utf8_to_utf16(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = failure("cannot write", path, GetLastError());
    return nullptr;
  }
  LARGE_INTEGER size{};
  const bool longer =
      !GetFileSizeEx(handle, &size) || static_cast<std::uint64_t>(size.QuadPart) != end;
  return std::make_unique<Win32AppendFile>(handle, path, end, longer);
}

ReadOutcome read_file(const std::string& path, std::size_t max_bytes, std::string& bytes,
                      std::uint64_t& size, std::string& error) {
  bytes.clear();
  size = 0;
  Handle file(CreateFileW(utf8_to_utf16(path).c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid()) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
      return ReadOutcome::missing;
    }
    error = failure("cannot read", path, code);
    return ReadOutcome::failed;
  }
  LARGE_INTEGER length{};
  if (!GetFileSizeEx(file.get(), &length)) {
    error = failure("cannot read", path, GetLastError());
    return ReadOutcome::failed;
  }
  DWORD code = 0;
  const ReadOutcome outcome =
      read_whole(static_cast<std::uint64_t>(length.QuadPart), max_bytes, bytes, size,
                 [&file, &code](char* into, std::size_t count) -> std::int64_t {
                   const auto want = static_cast<DWORD>(std::min<std::size_t>(count, 1U << 30U));
                   DWORD got = 0;
                   if (!ReadFile(file.get(), into, want, &got, nullptr)) {
                     code = GetLastError();
                     return -1;
                   }
                   return got;
                 });
  if (outcome == ReadOutcome::failed) {
    error = failure("cannot read", path, code);
  }
  return outcome;
}

bool create_folder(const std::string& path, std::string& error) {
  const std::wstring wide = utf8_to_utf16(path);
  if (CreateDirectoryW(wide.c_str(), nullptr)) {
    return true;
  }
  const DWORD code = GetLastError();
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (code == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return true;
  }
  error = failure("cannot create the folder", path,
                  code == ERROR_ALREADY_EXISTS ? ERROR_DIRECTORY : code);
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
  // A hard link keeps the old file under both names until the new one takes its place; where
  // the file system has none (FAT), the old file is moved aside first.
  const std::wstring wide_path = utf8_to_utf16(path);
  bool linked = false;
  for (int number = 1; number <= 1000 && !linked; ++number) {
    kept_as = aside_path(path, label, number);
    linked = CreateHardLinkW(utf8_to_utf16(kept_as).c_str(), wide_path.c_str(), nullptr) != FALSE;
    if (!linked && !name_taken(GetLastError())) {
      break;
    }
  }
  if (!linked && !move_aside(path, label, kept_as, error)) {
    DeleteFileW(utf8_to_utf16(temp).c_str());
    return false;
  }
  return move_into_place(temp, path, error);
}

bool set_file_aside(const std::string& path, const std::string& label, std::string& kept_as,
                    std::string& error) {
  return move_aside(path, label, kept_as, error);
}

}  // namespace foo_brivanto
