// HTTPS against test servers whose certificates the test authority signed. The Linux tests
// trust that authority through SSL_CERT_FILE; the Windows tests under Wine cannot, so this file
// is left out of the cross build.
#include <gtest/gtest.h>

#include <string>

#include "http/http_client.h"
#include "http/test_support/post.h"
#include "tests/support/fixture_url.h"

namespace foo_brivanto {
namespace {

using brivanto_test::fixture_url;

TEST(HttpsTrustedTest, OnlyTheHostTheCertificateNamesIsTrusted) {
  const std::string port =
      fixture_url("https_server").substr(fixture_url("https_server").rfind(':'));
  const std::string other = fixture_url("https_other_host_server");
  struct Case {
    std::string url;
    std::string request_line;  // empty: sending fails
  };
  const Case cases[] = {
      {"https://127.0.0.1" + port + "/echo", "POST /echo"},
      {"https://localhost" + port + "/echo", "POST /echo"},
      // An absolute https Location switches host, port and TLS on.
      {fixture_url("http_server") + redirect_path(301, "https://localhost" + port + "/echo?moved"),
       "POST /echo?moved"},
      // The authority vouches for that certificate, but for another host name.
      {other + "/echo", ""},
      {"https://localhost" + other.substr(other.rfind(':')) + "/echo", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    const Result result = post(c.url, "track=T");
    if (c.request_line.empty()) {
      EXPECT_EQ(result.error, "WinHttpSendRequest failed");
      continue;
    }
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(echo_line(result.reply, ""), c.request_line);
    EXPECT_EQ(echo_line(result.reply, "tls"), "yes");
    EXPECT_EQ(echo_body(result.reply), "track=T");
  }
}

}  // namespace
}  // namespace foo_brivanto
