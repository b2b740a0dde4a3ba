// The API's rules on text: signatures, form encoding, reading replies, cutting their echo.
#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <string>

#include "api/api_client.h"
#include "api/form_encoding.h"
#include "api/json_reply.h"
#include "api/md5.h"
#include "api/track_call.h"

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

TEST(JsonIntegerFieldTest, Table) {
  const struct {
    const char* body;
    std::optional<int> value;
  } cases[] = {
      {R"({"error":6,"message":"m"})", 6},
      {R"({"error" : 29 })", 29},
      {"{\"error\":\n-16}", -16},
      {R"({"error":123456789})", 123456789},
      {R"({"error":1234567890})", std::nullopt},  // too long for an int
      {R"({"error":6.5})", std::nullopt},
      {R"({"error":"6"})", std::nullopt},
      {R"({"error":})", std::nullopt},
      {R"({"error":6)", 6},
      {R"({"message":"error","error":16})", 16},        // the word as a value is passed over
      {R"({"message":"\"error\":16"})", std::nullopt},  // escaped quotes are not the name
      {R"({"errors":6})", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(json_integer_field(c.body, "error"), c.value) << c.body;
  }
}

// What is kept for a later try, what is dropped, and what was accepted.
TEST(TrackCallTest, ClassifiesEveryReply) {
  constexpr auto kOk = TrackCallOutcome::kAccepted;
  constexpr auto kLater = TrackCallOutcome::kCurable;
  constexpr auto kNever = TrackCallOutcome::kRejected;
  const struct {
    int status;
    const char* reply;
    TrackCallOutcome outcome;
  } cases[] = {
      {200, "{}", kOk},
      {0, "", kOk},  // a status that could not be read is no failure by itself
      {299, "", kOk},
      {200, R"({"status":"no error","errors":[]})", kOk},
      {300, "", kLater},
      {199, "", kLater},
      {404, "", kLater},
      {502, "<h1>Bad gateway</h1>", kLater},
      {503, R"({"error":"unavailable"})", kLater},  // a gateway's JSON, not the service's code
      {403, R"({"error":6,"message":"Invalid session key"})", kLater},
      {503, R"({"error":16,"message":"Service temporarily unavailable"})", kLater},
      {429, R"({"error":29,"message":"Rate limit exceeded"})", kLater},
      {200, R"({"error":16})", kLater},
      {403, R"({"error":13,"message":"Invalid method signature"})", kNever},
      {400, R"({"error":6000})", kNever},
      {500, R"({"error":8,"message":"Internal error"})", kNever},
      {200, R"({"error":"x"})", kNever},
      {200, R"({"echo":"error"})", kNever},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(classify_track_reply(c.status, c.reply), c.outcome) << c.status << " " << c.reply;
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
