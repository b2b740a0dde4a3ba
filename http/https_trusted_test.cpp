// HTTPS against the test server whose certificate the test authority signed. The Linux tests
// trust that authority through SSL_CERT_FILE; the Windows tests under Wine cannot, so this file
// is left out of the cross build.
#include <gtest/gtest.h>

#include <string>

#include "http/http_client.h"
#include "http/http_post_test_support.h"
#include "tests/support/fixture_url.h"

namespace foo_brivanto {
namespace {

using brivanto_test::fixture_url;

TEST(HttpsTrustedTest, PostsOverTlsToAServerTheAuthorityVouchesFor) {
  const std::string base = fixture_url("https_server");
  const std::string port = base.substr(base.rfind(':') + 1);
  for (const std::string& url : {base + "/echo", "https://localhost:" + port + "/echo"}) {
    SCOPED_TRACE(url);
    const Result result = post(url, "a=1");
    ASSERT_TRUE(result.ok) << result.error;
    const Echo echo(result.reply);
    EXPECT_EQ(echo.header("tls"), "yes");
    EXPECT_EQ(echo.body, "a=1");
  }
}

TEST(HttpsTrustedTest, AnAbsoluteHttpsLocationSwitchesHostPortAndTls) {
  const std::string secure_base = fixture_url("https_server");
  const std::string secure_port = secure_base.substr(secure_base.rfind(':') + 1);
  const Result result =
      post(fixture_url("http_server") +
               redirect_path(301, "https://localhost:" + secure_port + "/echo?moved"),
           "track=T");
  ASSERT_TRUE(result.ok) << result.error;
  const Echo echo(result.reply);
  EXPECT_EQ(echo.request_line, "POST /echo?moved");
  EXPECT_EQ(echo.header("tls"), "yes");
  EXPECT_EQ(echo.header("Host"), "localhost:" + secure_port);
  EXPECT_EQ(echo.body, "track=T");
}

}  // namespace
}  // namespace foo_brivanto
