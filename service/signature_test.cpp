#include "service/signature.h"

#include <gtest/gtest.h>

#include "service/api.h"

namespace brivanto_service {
namespace {

const std::string kKey(kApiKey);

// Expected digests come from coreutils, e.g.
//   printf '%s' "api_key${KEY}methodauth.getSessiontoken0123...cdef${SECRET}" | md5sum
struct KnownAnswer {
  const char* name;
  Params params;
  const char* digest;
};

TEST(SignatureTest, KnownAnswers) {
  const KnownAnswer cases[] = {
      {"only the key", {{"api_key", kKey}}, "c10f2a58c1041440366ee93f48802a47"},
      {"getSession, format, callback and api_sig left out",
       {{"api_key", kKey},
        {"method", "auth.getSession"},
        {"token", "0123456789abcdef0123456789abcdef"},
        {"format", "json"},
        {"callback", "cb"},
        {"api_sig", "whatever"}},
       "fda77365590baaa839ffd6d594eab36f"},
      // Upper-case names sort first and a name starting with a byte above 0x7F sorts last;
      // only the exact names format/callback/api_sig are left out; values go in raw.
      {"unsigned byte order, raw values",
       {{"é", "1"},
        {"track", "x+y=z"},
        {"timestamp", "-5"},
        {"sk", "00000000000000000000000000000000"},
        {"method", "track.scrobble"},
        {"duration", "215"},
        {"artist", "A & B"},
        {"api_sig_v", "2"},
        {"api_key", kKey},
        {"album", "Déjà Vu"},
        {"Format", "F"},
        {"format", "json"}},
       "c9471c8bcbbb554b96d97e262401004a"},
  };
  for (const KnownAnswer& c : cases) {
    EXPECT_EQ(expected_signature(c.params, kSharedSecret), c.digest) << c.name;
  }
}

TEST(SignatureTest, AcceptsOnlyTheExactLowerCaseDigest) {
  Params params{{"api_key", kKey}, {"method", "auth.getSession"}, {"token", "t"}};
  const std::string good = expected_signature(params, kSharedSecret);
  std::string upper = good;
  for (char& c : upper)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::string off_by_one = good;
  off_by_one.back() = off_by_one.back() == '0' ? '1' : '0';

  const struct {
    std::optional<std::string> api_sig;
    bool accepted;
  } cases[] = {{good, true}, {upper, false}, {off_by_one, false}, {"", false}, {{}, false}};
  for (const auto& c : cases) {
    Params p = params;
    if (c.api_sig)
      p["api_sig"] = *c.api_sig;
    EXPECT_EQ(signature_matches(p, kSharedSecret), c.accepted) << c.api_sig.value_or("(none)");
  }
}

}  // namespace
}  // namespace brivanto_service
