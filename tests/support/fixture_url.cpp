#include "tests/support/fixture_url.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace brivanto_test {

std::string fixture_url(std::string_view name) {
  std::string variable = "BRIVANTO_FIXTURE_";
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    variable += std::isalnum(byte) != 0 ? static_cast<char>(std::toupper(byte)) : '_';
  }
  variable += "_URL_FILE";
  const std::string hint =
      "run the test through ctest, or start the server with "
      "`cmake/server-fixture start DIR PROGRAM --port 0` and set " +
      variable + " to DIR/url";
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
