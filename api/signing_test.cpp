#include <gtest/gtest.h>

#include <string>

#include "api/api_client.h"
#include "api/md5.h"

namespace foo_brivanto {
namespace {

constexpr const char* kKey = "5e0c7a91d3b24f86a1c09e7d2b6f4a38";
constexpr const char* kSecret = "c47d19e2a8b05f3e6d912b7a0e5c8f14";

TEST(Md5Test, Rfc1321TestSuite) {
  const struct {
    const char* input;
    const char* digest;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"1234567890123456789012345678901234567890123456789012345678901234567890123456789"
       "0",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(md5_hex(c.input), c.digest) << '"' << c.input << '"';
  }
}

TEST(SignTest, KnownSignatures) {
  const ApiClient client("https://example.invalid/", kKey, kSecret);
  // Digests of the signature bases, computed independently with md5sum.
  EXPECT_EQ(client.sign({{"method", "auth.getSession"}, {"token", "abc123"}}),
            "b52d2d1390a122c1507d8e799815b63c");
  EXPECT_EQ(client.sign({{"method", "track.scrobble"},
                         {"sk", "SK"},
                         {"artist", "\xC3\xA9"},
                         {"track", "T&T"},
                         {"album", "L X"},
                         {"duration", "185"},
                         {"timestamp", "1700000000"}}),
            "c72a04d70db62c1d7bb7adcc545b8e29");
}

TEST(SignTest, SignatureBase) {
  const ApiClient client("https://example.invalid", kKey, kSecret);
  const std::string key_part = std::string("api_key") + kKey;
  const struct {
    const char* what;
    ParamMap params;
    std::string base;
  } cases[] = {
      {"empty map: the API key and the secret", {}, key_part + kSecret},
      {"a caller's api_key is replaced", {{"api_key", "other"}}, key_part + kSecret},
      {"format, callback and api_sig are left out",
       {{"format", "json"}, {"callback", "cb"}, {"api_sig", "x"}, {"method", "m"}},
       key_part + "methodm" + kSecret},
      {"only exact names are left out",
       {{"Format", "F"}, {"api_sig2", "s"}, {"callbacks", "c"}},
       "FormatF" + key_part + "api_sig2scallbacksc" + kSecret},
      {"raw values: spaces and escapes-to-be stay as they are",
       {{"track", "a b&c=d"}},
       key_part + "tracka b&c=d" + kSecret},
      {"an empty value contributes its name only", {{"album", ""}}, "album" + key_part + kSecret},
      {"upper-case names sort before lower-case ones, bytes 0x80+ last",
       {{"\xC3\xA9t\xC3\xA9", "1"}, {"album", "2"}, {"Track", "3"}},
       "Track3album2" + key_part + "\xC3\xA9t\xC3\xA9" + "1" + kSecret},
  };
  for (const auto& c : cases) {
    const ParamMap before = c.params;
    const std::string signature = client.sign(c.params);
    EXPECT_EQ(signature, md5_hex(c.base)) << c.what;
    EXPECT_EQ(c.params, before) << c.what;
    EXPECT_EQ(signature.find_first_not_of("0123456789abcdef"), std::string::npos) << c.what;
    EXPECT_EQ(signature.size(), 32U) << c.what;
  }
}

TEST(StripTrailingSlashesTest, RemovesOnlyTrailingSlashes) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {{"https://a.b", "https://a.b"},
               {"https://a.b/", "https://a.b"},
               {"https://a.b///", "https://a.b"},
               {"///", ""},
               {"", ""},
               {"http://a/b/", "http://a/b"}};
  for (const auto& c : cases) {
    EXPECT_EQ(strip_trailing_slashes(c.in), c.out) << c.in;
  }
}

}  // namespace
}  // namespace foo_brivanto
