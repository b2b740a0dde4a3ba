// What the stand-in player needs of Windows: libraries, durable files, the console.
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "player/platform.h"
#include "sdk/utf16_win32.h"

namespace fbplayer {
namespace {

std::string system_message(DWORD code) {
  return "Windows error " + std::to_string(code);
}

}  // namespace

bool Library::open(const std::string& path, std::string& error) {
  HMODULE module = LoadLibraryW(utf8_to_utf16(path).c_str());
  if (module == nullptr) {
    error = "cannot load " + path + ": " + system_message(GetLastError());
    return false;
  }
  handle_ = module;
  return true;
}

void* Library::symbol(const char* name) const {
  if (handle_ == nullptr) {
    return nullptr;
  }
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

bool write_file_durably(const std::string& path, const std::vector<std::uint8_t>& bytes,
                        std::string& error) {
  HANDLE file = CreateFileW(utf8_to_utf16(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = "cannot write " + path + ": " + system_message(GetLastError());
    return false;
  }
  std::size_t written = 0;
  bool ok = true;
  while (ok && written < bytes.size()) {
    DWORD n = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1U << 20U));
    ok = WriteFile(file, bytes.data() + written, chunk, &n, nullptr) != 0 && n > 0;
    written += n;
  }
  ok = ok && FlushFileBuffers(file) != 0;
  const DWORD code = GetLastError();
  ok = CloseHandle(file) != 0 && ok;
  if (!ok) {
    error = "cannot write " + path + ": " + system_message(code);
  }
  return ok;
}

bool replace_file(const std::string& from, const std::string& to, std::string& error) {
  // Write-through: the call returns once the move is on the disk.
  if (!MoveFileExW(utf8_to_utf16(from).c_str(), utf8_to_utf16(to).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = "cannot replace " + to + ": " + system_message(GetLastError());
    return false;
  }
  return true;
}

bool stdin_is_terminal() {
  return _isatty(_fileno(stdin)) != 0;
}

}  // namespace fbplayer
