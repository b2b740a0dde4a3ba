#include "service/form.h"

#include <gtest/gtest.h>

namespace brivanto_service {
namespace {

TEST(DecodeFormTest, DecodesFieldsByteExactly) {
  const struct {
    const char* body;
    Params expected;
  } cases[] = {
      {"", {}},
      {"a=1&b=", {{"a", "1"}, {"b", ""}}},
      {"a+b=c+d%2B%26%3D%25", {{"a b", "c d+&=%"}}},
      {"t=%C3%A9%c3%a9", {{"t", "\xC3\xA9\xC3\xA9"}}},
      {"x=a=b", {{"x", "a=b"}}},
      {"%00=%00", {{std::string(1, '\0'), std::string(1, '\0')}}},
  };
  for (const auto& c : cases) {
    std::string error;
    const auto params = decode_form(c.body, error);
    ASSERT_TRUE(params) << c.body << ": " << error;
    EXPECT_EQ(*params, c.expected) << c.body;
  }
}

TEST(DecodeFormTest, RefusesWhatItCannotDecodeExactly) {
  const struct {
    const char* body;
    const char* reason;
  } cases[] = {
      {"a", "without ="},          {"a=1&b", "without ="},  {"=1", "empty name"},
      {"a=1&&b=2", "empty field"}, {"a=1&", "empty field"}, {"&a=1", "empty field"},
      {"a=%zz", "hexadecimal"},    {"a=%4", "hexadecimal"}, {"a=%", "hexadecimal"},
      {"a%2=1", "hexadecimal"},    {"a=1&a=2", "twice: a"}, {"a=1&a+=2&a%20=3", "twice: a "},
      {"a=%FF", "not UTF-8"},      {"a=%C3", "not UTF-8"},  {"%C0%AF=1", "not UTF-8"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(decode_form(c.body, error)) << c.body;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.body << ": " << error;
  }
}

}  // namespace
}  // namespace brivanto_service
