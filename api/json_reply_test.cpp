#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "api/api_client.h"

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
      {R"({"token":123})", "token", none},
      {R"({"token":null})", "token", none},
      {R"({"token":""})", "token", ""},
      {R"({"session":{"name":"n","key":"outer"},"x":{"key":"inner"}})", "key", "outer"},
      {R"({"a":{"key":"deep"}},"key":"shallow")", "key", "deep"},
      {R"({"Token":"abc"})", "token", none},
      {R"({"url":"a\/b"})", "url", "a\\/b"},
      {R"({"m":"say \"hi\""})", "m", "say \\"},
      {R"({"m":"\u00e9"})", "m", "\\u00e9"},
      {R"({"token":")", "token", none},
      {R"({"token":"unterminated)", "token", none},
      {R"("token":")", "token", none},
      {"", "token", none},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(json_string_field(c.body, c.name), c.value) << c.body;
  }
  EXPECT_EQ(json_error_message(R"({"error":10,"message":"Token not authorized yet"})"),
            "Token not authorized yet");
}

}  // namespace
}  // namespace foo_brivanto
