// A file unwritable to this process, on Windows (journal_test_files.h).
#include <windows.h>

#include <utility>

#include "journal/journal_test_files.h"
#include "sdk/utf16_win32.h"

namespace brivanto_test {

Unwritable::Unwritable(std::string path) : path_(std::move(path)) {
  const std::wstring wide = utf8_to_utf16(path_);
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY);
  HANDLE lock = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  state_ = lock == INVALID_HANDLE_VALUE ? nullptr : lock;
}

Unwritable::~Unwritable() {
  if (state_ != nullptr) {
    CloseHandle(static_cast<HANDLE>(state_));
  }
  SetFileAttributesW(utf8_to_utf16(path_).c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace brivanto_test
