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
  // NOLINTNEXTLINE(concurrency-mt-unsafe): tests do not change their environment
  const char* path = std::getenv(variable.c_str());
  std::ifstream file(path == nullptr ? "" : path);
  std::string url;
  if (!std::getline(file, url) || url.empty()) {
    throw std::runtime_error("server fixture '" + std::string(name) + "': no URL in the file " +
                             variable +
                             " names; run the test through ctest, or start the server "
                             "with `cmake/server-fixture start DIR PROGRAM --port 0` and set " +
                             variable + " to DIR/url");
  }
  return url;
}

}  // namespace brivanto_test
