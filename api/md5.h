// MD5 digests for request signatures: CryptoAPI on Windows, OpenSSL's libcrypto elsewhere.
#pragma once

#include <string>
#include <string_view>

namespace foo_brivanto {

// The MD5 digest of `data` as 32 lower-case hexadecimal characters, or the empty string when
// the platform's digest fails. Thread-safe.
std::string md5_hex(std::string_view data);

// 16 digest bytes as 32 lower-case hexadecimal characters.
std::string digest_to_hex(const unsigned char (&digest)[16]);

}  // namespace foo_brivanto
