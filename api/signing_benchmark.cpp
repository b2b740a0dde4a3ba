// What one scrobble costs before it reaches the network: the signature and the form body.
#include <benchmark/benchmark.h>

#include "api/api_client.h"
#include "api/form_encoding.h"

namespace foo_brivanto {
namespace {

void BM_SignAndEncodeScrobble(benchmark::State& state) {
  const ApiClient client("https://www.brivanto.com", "5e0c7a91d3b24f86a1c09e7d2b6f4a38",
                         "c47d19e2a8b05f3e6d912b7a0e5c8f14");
  for (auto _ : state) {
    ParamMap params = {{"method", "track.scrobble"},
                       {"sk", "0123456789abcdef0123456789abcdef"},
                       {"artist", "Сплин"},
                       {"track", "Выхода нет (Remastered 2024)"},
                       {"album", "Гранатовый альбом"},
                       {"duration", "245"},
                       {"timestamp", "1765030000"}};
    params["api_sig"] = client.sign(params);
    params["api_key"] = "5e0c7a91d3b24f86a1c09e7d2b6f4a38";
    params["format"] = "json";
    benchmark::DoNotOptimize(form_body(params));
  }
}
BENCHMARK(BM_SignAndEncodeScrobble);

}  // namespace
}  // namespace foo_brivanto
