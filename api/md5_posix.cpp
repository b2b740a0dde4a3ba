// MD5 over OpenSSL's libcrypto.
#include <openssl/evp.h>

#include "api/md5.h"

namespace foo_brivanto {

std::string md5_hex(std::string_view data) {
  unsigned char digest[16];
  unsigned int size = 0;
  if (EVP_Digest(data.data(), data.size(), digest, &size, EVP_md5(), nullptr) != 1 ||
      size != sizeof digest) {
    return {};
  }
  return digest_to_hex(digest);
}

}  // namespace foo_brivanto
