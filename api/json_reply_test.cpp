// Reading string fields and errors out of replies, and the cut of a reply quoted in an error.
#include "api/json_reply.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace foo_brivanto {
namespace {

TEST(JsonStringFieldTest, Table) {
  const std::optional<std::string> none;
  const struct {
    const char* body;
    const char* name;
    std::optional<std::string> value;
  } cases[] = {
      {R"({"token":"abc"})", "token", "abc"},
      {R"({"token": "abc"})", "token", none},
      {R"({"token":""})", "token", ""},
      {R"({"a":{"key":"deep"}},"key":"shallow")", "key", "deep"},
      {R"({"Token":"abc"})", "token", none},
      {R"({"m":"a\/b \"hi\""})", "m", "a\\/b \\"},
      {R"({"token":")", "token", none},
      {"", "token", none},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(json_string_field(c.body, c.name), c.value) << c.body;
  }
  EXPECT_EQ(json_error_message(R"({"error":10,"message":"Token not authorized yet"})"),
            "Token not authorized yet");
}

TEST(ReplyTest, ErrorWordAndEchoCut) {
  const std::string a999(999, 'a');
  const struct {
    std::string reply;
    std::string echo;
  } cases[] = {
      {std::string(1000, 'a'), std::string(1000, 'a')},
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
