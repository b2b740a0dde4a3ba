#include "service/signature.h"

#include <openssl/evp.h>

#include <array>

namespace brivanto_service {

std::string signature_base(const Params& params, std::string_view secret) {
  std::string base;
  for (const auto& [name, value] : params) {
    if (name == "format" || name == "callback" || name == "api_sig")
      continue;
    base += name;
    base += value;
  }
  base += secret;
  return base;
}

std::string md5_hex(std::string_view bytes) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_md5(), nullptr) != 1) {
    return {};
  }
  static constexpr std::string_view kHex = "0123456789abcdef";
  std::string out;
  out.reserve(std::size_t{length} * 2);
  for (unsigned int i = 0; i < length; ++i) {
    out += kHex[digest[i] >> 4U];
    out += kHex[digest[i] & 0x0FU];
  }
  return out;
}

std::string expected_signature(const Params& params, std::string_view secret) {
  return md5_hex(signature_base(params, secret));
}

bool signature_matches(const Params& params, std::string_view secret) {
  const auto sig = params.find("api_sig");
  if (sig == params.end() || sig->second.empty())
    return false;
  const std::string expected = expected_signature(params, secret);
  return !expected.empty() && sig->second == expected;
}

}  // namespace brivanto_service
