// Digest bytes as the lower-case hexadecimal text that signatures use.
#include "api/md5.h"

namespace foo_brivanto {

std::string digest_to_hex(const unsigned char (&digest)[16]) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(32);
  for (const unsigned char byte : digest) {
    hex.push_back(kHex[byte >> 4U]);
    hex.push_back(kHex[byte & 0x0FU]);
  }
  return hex;
}

}  // namespace foo_brivanto
