// Byte-for-byte copies between byte strings and UTF-16 code units, the form in which URLs,
// hosts and paths travel to the HTTP libraries. No character set is involved: one byte is one
// code unit, so only ASCII text keeps its meaning (UTF-8 text is decoded elsewhere, by
// utf8_to_utf16).
#pragma once

#include <string>
#include <string_view>

namespace foo_brivanto {

// Each byte becomes the code unit of the same value (0..255).
inline std::u16string widen_bytes(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size());
  for (const char c : bytes) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  }
  return units;
}

// Each code unit becomes its low byte.
inline std::string narrow_to_low_bytes(std::u16string_view units) {
  std::string bytes;
  bytes.reserve(units.size());
  for (const char16_t c : units) {
    bytes.push_back(static_cast<char>(static_cast<unsigned char>(c & 0xFFU)));
  }
  return bytes;
}

}  // namespace foo_brivanto
