// The URL of a test server that CTest started as a fixture (cmake/server_fixture.cmake).
#pragma once

#include <string>
#include <string_view>

namespace brivanto_test {

// The URL that the server fixture `name` serves, such as "http://127.0.0.1:41234", read from
// the file named by BRIVANTO_FIXTURE_<NAME>_URL_FILE (<NAME>: the name in capitals, other
// characters than letters and digits as "_"). Throws std::runtime_error, which fails the calling
// test with the message, when the variable is not set or the file holds no URL.
std::string fixture_url(std::string_view name);

}  // namespace brivanto_test
