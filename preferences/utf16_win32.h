// UTF-8 text for the system's wide-character calls (Windows builds only).
#pragma once

#include <windows.h>

#include <string>

namespace foo_brivanto {

// The UTF-8 text decoded to UTF-16; malformed sequences become U+FFFD.
inline std::wstring utf8_to_utf16(const std::string& utf8) {
  if (utf8.empty()) {
    return {};
  }
  const int length = static_cast<int>(utf8.size());
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  if (size <= 0) {
    return {};
  }
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), size);
  return wide;
}

}  // namespace foo_brivanto
