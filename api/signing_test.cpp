// Signatures, MD5 and the form encoding of names and values.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "api/api_client.h"
#include "api/form_encoding.h"
#include "api/md5.h"

namespace foo_brivanto {
namespace {

constexpr const char* kKey = "5e0c7a91d3b24f86a1c09e7d2b6f4a38";
constexpr const char* kSecret = "c47d19e2a8b05f3e6d912b7a0e5c8f14";

TEST(Md5Test, Rfc1321TestSuite) {
  EXPECT_EQ(md5_hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(md5_hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(md5_hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
}

TEST(SignTest, SignatureBase) {
  const ApiClient client("https://example.invalid/", kKey, kSecret);
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
      {"raw values; an empty value gives its name only",
       {{"track", "a b&c=d"}, {"album", ""}},
       "album" + key_part + "tracka b&c=d" + kSecret},
      {"upper-case names sort before lower-case ones, bytes 0x80+ last",
       {{"\xC3\xA9t\xC3\xA9", "1"}, {"album", "2"}, {"Track", "3"}},
       "Track3album2" + key_part + "\xC3\xA9t\xC3\xA9" + "1" + kSecret},
  };
  for (const auto& c : cases) {
    const ParamMap before = c.params;
    EXPECT_EQ(client.sign(c.params), md5_hex(c.base)) << c.what;
    EXPECT_EQ(c.params, before) << c.what;
  }
  // Computed independently with md5sum.
  EXPECT_EQ(client.sign({{"method", "auth.getSession"}, {"token", "abc123"}}),
            "b52d2d1390a122c1507d8e799815b63c");
}

TEST(FormEncodingTest, EveryByteAndTheBody) {
  for (int byte = 0; byte < 256; ++byte) {
    const std::string in(1, static_cast<char>(byte));
    const std::string escaped = {'%', "0123456789ABCDEF"[byte / 16], "0123456789ABCDEF"[byte % 16]};
    const bool kept = std::isalnum(byte) != 0 || std::string("-_.~").find(in) != std::string::npos;
    EXPECT_EQ(url_encode(in), kept ? in : byte == ' ' ? "+" : escaped) << "byte " << byte;
  }
  EXPECT_EQ(url_encode("a b&c=d\xC3\xA9"), "a+b%26c%3Dd%C3%A9");
  EXPECT_EQ(form_body({{"track", "a b"}, {"Track", "x"}, {"album", ""}}),
            "Track=x&album=&track=a+b");
}

TEST(WebAuthUrlTest, OneSlashAndEncodedToken) {
  EXPECT_EQ(web_auth_url("http://h:81///", "5e0c7a91", "a b/c&d=\xC3\xA9-_.~"),
            "http://h:81/api/auth?api_key=5e0c7a91&token=a+b%2Fc%26d%3D%C3%A9-_.~");
  EXPECT_EQ(strip_trailing_slashes("///"), "");
}

}  // namespace
}  // namespace foo_brivanto
