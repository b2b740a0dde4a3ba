#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "http/http_client.h"

namespace foo_brivanto {
namespace {

enum class Outcome { kSplit, kFails, kThrowsInvalid, kThrowsOutOfRange };

struct SplitCase {
  std::string url;
  Outcome outcome;
  std::u16string host;
  std::u16string path;
  std::uint16_t port;
  bool secure;
  std::string error;
};

constexpr auto kScheme = "URL must start with http:// or https://";
constexpr auto kRange = "URL port out of range";

TEST(SplitUrlTest, SplitsOrRejects) {
  const SplitCase cases[] = {
      {"https://www.brivanto.com", Outcome::kSplit, u"www.brivanto.com", u"/", 443, true, ""},
      {"http://127.0.0.1:8080/api/2.0?format=json&x=/y", Outcome::kSplit, u"127.0.0.1",
       u"/api/2.0?format=json&x=/y", 8080, false, ""},
      {"http://localhost/", Outcome::kSplit, u"localhost", u"/", 80, false, ""},
      {"https://h:12ab/p", Outcome::kSplit, u"h", u"/p", 12, true, ""},
      {"http://h: +81", Outcome::kSplit, u"h", u"/", 81, false, ""},
      {"http://h:0", Outcome::kSplit, u"h", u"/", 0, false, ""},
      {"http://h:65535/", Outcome::kSplit, u"h", u"/", 65535, false, ""},
      {"http://h:65536/", Outcome::kFails, u"", u"", 0, false, kRange},
      {"https://h:-1/", Outcome::kFails, u"", u"", 0, false, kRange},
      {"http://h:2147483647/", Outcome::kFails, u"", u"", 0, false, kRange},
      {"http://h:-2147483648/", Outcome::kFails, u"", u"", 0, false, kRange},
      {"http://h:99999999999/", Outcome::kThrowsOutOfRange, u"", u"", 0, false, ""},
      {"http://h:2147483648/", Outcome::kThrowsOutOfRange, u"", u"", 0, false, ""},
      {"http://h:-2147483649/", Outcome::kThrowsOutOfRange, u"", u"", 0, false, ""},
      {"http://h:/path", Outcome::kThrowsInvalid, u"", u"", 0, false, ""},
      {"http://h:port", Outcome::kThrowsInvalid, u"", u"", 0, false, ""},
      {"http://h:-", Outcome::kThrowsInvalid, u"", u"", 0, false, ""},
      {"HTTPS://www.brivanto.com", Outcome::kFails, u"", u"", 0, false, kScheme},
      {"ftp://www.brivanto.com/", Outcome::kFails, u"", u"", 0, false, kScheme},
      {"https:/", Outcome::kFails, u"", u"", 0, false, kScheme},
      {"", Outcome::kFails, u"", u"", 0, false, kScheme},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.url);
    // Outputs start out holding other values, to see what is written and what is left alone.
    std::u16string host = u"old host";
    std::u16string path = u"/old";
    std::uint16_t port = 1234;
    bool secure = !c.secure;
    std::string error = "earlier error";
    switch (c.outcome) {
      case Outcome::kSplit:
        ASSERT_TRUE(split_url(c.url, host, path, port, secure, error));
        EXPECT_EQ(host, c.host);
        EXPECT_EQ(path, c.path);
        EXPECT_EQ(port, c.port);
        EXPECT_EQ(secure, c.secure);
        EXPECT_EQ(error, "earlier error");
        continue;
      case Outcome::kFails:
        ASSERT_FALSE(split_url(c.url, host, path, port, secure, error));
        EXPECT_EQ(error, c.error);
        break;
      case Outcome::kThrowsInvalid:
        try {
          split_url(c.url, host, path, port, secure, error);
          ADD_FAILURE() << "no exception";
        } catch (const std::invalid_argument& e) {
          EXPECT_STREQ(e.what(), "invalid stoi argument");
        }
        EXPECT_EQ(error, "earlier error");
        break;
      case Outcome::kThrowsOutOfRange:
        try {
          split_url(c.url, host, path, port, secure, error);
          ADD_FAILURE() << "no exception";
        } catch (const std::out_of_range& e) {
          EXPECT_STREQ(e.what(), "stoi argument out of range");
        }
        EXPECT_EQ(error, "earlier error");
        break;
    }
    EXPECT_EQ(host, u"old host");
    EXPECT_EQ(path, u"/old");
    EXPECT_EQ(port, 1234);
    EXPECT_EQ(secure, !c.secure);
  }
}

TEST(SplitUrlTest, WidensEachByteToOneCodeUnit) {
  std::u16string host;
  std::u16string path;
  std::uint16_t port = 0;
  bool secure = false;
  std::string error;
  ASSERT_TRUE(split_url("http://h\xC3\xA9/\xFF", host, path, port, secure, error));
  EXPECT_EQ(host, (std::u16string{u'h', 0xC3, 0xA9}));
  EXPECT_EQ(path, (std::u16string{u'/', 0xFF}));
}

}  // namespace
}  // namespace foo_brivanto
