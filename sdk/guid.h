// GUID: the 128-bit identifier by which the host names service classes, configuration
// variables and preferences pages.
//
// On Windows this is the system's own GUID (with its == and != operators), so that code which
// also includes <windows.h> sees one type. Elsewhere the same layout is declared here.
#pragma once

#if __has_include(<guiddef.h>)
#include <guiddef.h>
#else
#include <cstdint>

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};

inline bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) {
    return false;
  }
  for (int i = 0; i < 8; ++i) {
    if (a.Data4[i] != b.Data4[i]) {
      return false;
    }
  }
  return true;
}

inline bool operator!=(const GUID& a, const GUID& b) {
  return !(a == b);
}
#endif
