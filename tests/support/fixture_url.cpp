#include "tests/support/fixture_url.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace brivanto_test {

std::string fixture_url(std::string_view name) {
  std::string variable = "BRIVANTO_FIXTURE_";
  for (const char c : name) {
    const bool keep = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    variable += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : keep ? c : '_';
  }
  variable += "_URL_FILE";
  const std::string hint =
      "run the test through ctest, which starts the server first; or start it yourself with "
      "`cmake/server-fixture start DIR PROGRAM --port 0`, set " +
      variable + " to DIR/url and stop it afterwards with `cmake/server-fixture stop DIR`";

  // NOLINTNEXTLINE(concurrency-mt-unsafe): tests do not change their environment
  const char* path = std::getenv(variable.c_str());
  if (path == nullptr || *path == '\0') {
    throw std::runtime_error("server fixture '" + std::string(name) + "': " + variable +
                             " is not set; " + hint);
  }
  std::ifstream file(path);
  std::string url;
  if (!std::getline(file, url) || url.empty()) {
    throw std::runtime_error("server fixture '" + std::string(name) + "': no URL in " + path +
                             " (is the server running?); " + hint);
  }
  return url;
}

}  // namespace brivanto_test
