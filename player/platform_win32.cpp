#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "player/platform.h"

namespace fbplayer {
namespace {

std::wstring widen(const std::string& utf8) {
  if (utf8.empty()) {
    return {};
  }
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
  return wide;
}

std::string system_message(DWORD code) {
  return "Windows error " + std::to_string(code);
}

}  // namespace

bool Library::open(const std::string& path, std::string& error) {
  HMODULE module = LoadLibraryW(widen(path).c_str());
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

bool replace_file(const std::string& from, const std::string& to, std::string& error) {
  if (!MoveFileExW(widen(from).c_str(), widen(to).c_str(),
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
