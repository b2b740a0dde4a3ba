#include "api/form_encoding.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace foo_brivanto {
namespace {

TEST(UrlEncodeTest, Table) {
  const struct {
    std::string in;
    const char* out;
  } cases[] = {
      {"a b&c=d", "a+b%26c%3Dd"},
      {"AZaz09-_.~", "AZaz09-_.~"},
      {"*!'()", "%2A%21%27%28%29"},
      {"/%+", "%2F%25%2B"},
      {"\xC3\xA9", "%C3%A9"},
      {std::string("\0\x7F\xFF", 3), "%00%7F%FF"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(url_encode(c.in), c.out) << c.in;
  }
}

// Decodes "+" and "%XX" (upper-case hex only); false on anything url_encode must not produce.
bool decode_strict(const std::string& encoded, std::string& decoded) {
  const std::string hex = "0123456789ABCDEF";
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const char c = encoded[i];
    if (c == '+') {
      decoded.push_back(' ');
    } else if (c == '%') {
      if (i + 2 >= encoded.size()) {
        return false;
      }
      const auto high = hex.find(encoded[i + 1]);
      const auto low = hex.find(encoded[i + 2]);
      if (high == std::string::npos || low == std::string::npos) {
        return false;
      }
      decoded.push_back(static_cast<char>(high * 16 + low));
      i += 2;
    } else if (std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_' ||
               c == '.' || c == '~') {
      decoded.push_back(c);
    } else {
      return false;
    }
  }
  return true;
}

TEST(UrlEncodeTest, EveryByteEncodesSafelyAndDecodesBack) {
  for (int byte = 0; byte < 256; ++byte) {
    const std::string in(1, static_cast<char>(byte));
    const std::string out = url_encode(in);
    std::string back;
    ASSERT_TRUE(decode_strict(out, back)) << "byte " << byte << " gave " << out;
    EXPECT_EQ(back, in) << "byte " << byte;
    const bool stays_short =
        std::isalnum(byte) != 0 || std::string("-_.~ ").find(in) != std::string::npos;
    EXPECT_EQ(out.size(), stays_short ? 1U : 3U) << "byte " << byte << " gave " << out;
  }
}

TEST(FormBodyTest, Table) {
  const struct {
    ParamMap params;
    const char* body;
  } cases[] = {
      {{}, ""},
      {{{"album", ""}}, "album="},
      {{{"track", "a b"}, {"Track", "x"}, {"artist", "\xC3\xA9"}},
       "Track=x&artist=%C3%A9&track=a+b"},
      {{{"track", "T"},
        {"timestamp", "-5"},
        {"sk", "k"},
        {"method", "track.scrobble"},
        {"format", "json"},
        {"duration", "185"},
        {"artist", "A"},
        {"api_sig", "s"},
        {"api_key", "k"},
        {"album", "L"}},
       "album=L&api_key=k&api_sig=s&artist=A&duration=185&format=json&method=track.scrobble&"
       "sk=k&timestamp=-5&track=T"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(form_body(c.params), c.body);
  }
}

}  // namespace
}  // namespace foo_brivanto
