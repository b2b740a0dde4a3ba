// MD5 over CryptoAPI, one provider context per digest.
#include <windows.h>
// wincrypt.h needs windows.h first.
#include <wincrypt.h>

#include <algorithm>

#include "api/md5.h"

namespace foo_brivanto {

std::string md5_hex(std::string_view data) {
  // A fresh provider context per digest: nothing is shared between threads.
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
    return {};
  }
  HCRYPTHASH hash = 0;
  if (!CryptCreateHash(provider, CALG_MD5, 0, 0, &hash)) {
    CryptReleaseContext(provider, 0);
    return {};
  }
  // One call for any input that fits CryptHashData's 32-bit length, which a request always does.
  bool ok = true;
  const auto* bytes = reinterpret_cast<const BYTE*>(data.data());
  std::size_t left = data.size();
  do {
    const auto piece = static_cast<DWORD>(std::min<std::size_t>(left, MAXDWORD));
    ok = CryptHashData(hash, bytes, piece, 0) != FALSE;
    bytes += piece;
    left -= piece;
  } while (ok && left > 0);

  unsigned char digest[16];
  DWORD size = sizeof digest;
  ok = ok && CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) && size == sizeof digest;
  CryptDestroyHash(hash);
  CryptReleaseContext(provider, 0);
  return ok ? digest_to_hex(digest) : std::string();
}

}  // namespace foo_brivanto
