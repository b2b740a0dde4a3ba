#include "service/options.h"

#include <gtest/gtest.h>

namespace brivanto_service {
namespace {

TEST(CommandLineTest, ParsesOptions) {
  std::string error;
  const auto line =
      parse_command_line({"--port", "65535", "--auto-approve", "--approve-on-issue", "--token-ttl",
                          "0", "--tls-key", "k.pem", "--tls-cert", "c.pem"},
                         error);
  ASSERT_TRUE(line) << error;
  EXPECT_EQ(line->options.port, 65535);
  EXPECT_EQ(line->options.token_ttl, std::chrono::seconds(0));
  EXPECT_TRUE(line->options.auto_approve);
  EXPECT_TRUE(line->options.approve_on_issue);
  EXPECT_EQ(line->options.tls_cert_file + " " + line->options.tls_key_file, "c.pem k.pem");
}

TEST(CommandLineTest, RefusesBadOptions) {
  const struct {
    std::vector<std::string_view> args;
    const char* reason;
  } cases[] = {
      {{"--port"}, "needs a value"},
      {{"--port", "65536"}, "0 to 65535"},
      {{"--port", "-1"}, "0 to 65535"},
      {{"--port", "80x"}, "0 to 65535"},
      {{"--port", ""}, "0 to 65535"},
      {{"--token-ttl", "-5"}, "seconds"},
      {{"--token-ttl", "1.5"}, "seconds"},
      {{"--tls-cert", "c.pem"}, "go together"},
      {{"--tls-key", "k.pem"}, "go together"},
      {{"--tls-cert", "", "--tls-key", "k.pem"}, "file name"},
      {{"--verbose"}, "unknown option '--verbose'"},
      {{"8080"}, "unknown option '8080'"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(parse_command_line(c.args, error)) << c.reason;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace brivanto_service
