// The API's rules on text: signatures, form encoding, reading replies, cutting their echo.
#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <string>

#include "api/api_client.h"
#include "api/form_encoding.h"
#include "api/json_reply.h"
#include "api/md5.h"

namespace foo_brivanto {
namespace {

constexpr const char* kKey = "5e0c7a91d3b24f86a1c09e7d2b6f4a38";
constexpr const char* kSecret = "c47d19e2a8b05f3e6d912b7a0e5c8f14";

TEST(SignTest, SignatureBase) {
  const ApiClient client("https://example.invalid/", kKey, kSecret);
  const std::string key_part = std::string("api_key") + kKey;
  // "format", "callback" and "api_sig" are left out, and only they.
  EXPECT_EQ(client.sign({{"format", "j"},
                         {"callback", "c"},
                         {"api_sig", "x"},
                         {"Format", "F"},
                         {"api_sig2", "s"}}),
            md5_hex("FormatF" + key_part + "api_sig2s" + kSecret));
  // Values go in raw; an empty value gives its name; the caller's api_key is replaced.
  EXPECT_EQ(client.sign({{"track", "a b&c=d"}, {"album", ""}, {"api_key", "other"}}),
            md5_hex("album" + key_part + "tracka b&c=d" + kSecret));
  // Computed independently with md5sum.
  EXPECT_EQ(client.sign({{"method", "auth.getSession"}, {"token", "abc123"}}),
            "b52d2d1390a122c1507d8e799815b63c");
}

TEST(FormEncodingTest, EveryByteTheBodyAndTheAuthorizationAddress) {
  for (int byte = 0; byte < 256; ++byte) {
    const std::string in(1, static_cast<char>(byte));
    const std::string escaped = {'%', "0123456789ABCDEF"[byte / 16], "0123456789ABCDEF"[byte % 16]};
    const bool kept = std::isalnum(byte) != 0 || std::string("-_.~").find(in) != std::string::npos;
    EXPECT_EQ(url_encode(in), kept ? in : byte == ' ' ? "+" : escaped) << "byte " << byte;
  }
  EXPECT_EQ(url_encode("a b&c=d\xC3\xA9"), "a+b%26c%3Dd%C3%A9");
  EXPECT_EQ(form_body({{"track", "a b"}, {"Track", "x"}, {"album", ""}}),
            "Track=x&album=&track=a+b");
  EXPECT_EQ(web_auth_url("http://h:81///", "5e0c7a91", "a b/c&d=\xC3\xA9-_.~"),
            "http://h:81/api/auth?api_key=5e0c7a91&token=a+b%2Fc%26d%3D%C3%A9-_.~");
  EXPECT_EQ(strip_trailing_slashes("///"), "");
}

TEST(JsonStringFieldTest, Table) {
  const struct {
    const char* body;
    const char* name;
    std::optional<std::string> value;
  } cases[] = {
      {R"({"token":"abc"})", "token", "abc"},
      {R"({"token": "abc"})", "token", std::nullopt},
      {R"({"token":""})", "token", ""},
      {R"({"a":{"key":"deep"}},"key":"shallow")", "key", "deep"},
      {R"({"m":"a\/b \"hi\""})", "m", "a\\/b \\"},
      {R"({"token":")", "token", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(json_string_field(c.body, c.name), c.value) << c.body;
  }
}

TEST(ReplyTest, ErrorWordAndEchoCut) {
  const std::string a999(999, 'a');
  const struct {
    std::string reply;
    std::string echo;
  } cases[] = {
      {a999 + "\xC3\xA9", a999 + "…"},            // a two-byte character across the limit
      {a999 + "\xE2\x82\xAC" + "b", a999 + "…"},  // a three-byte one
      {a999 + "b\xC3\xA9", a999 + "b…"},          // a character just past it
      {std::string(2000, '\x80'), std::string(997, '\x80') + "…"},  // not UTF-8
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cut_reply_echo(c.reply), c.echo) << c.reply.size();
  }
}

}  // namespace
}  // namespace foo_brivanto
