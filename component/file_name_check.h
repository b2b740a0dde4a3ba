// Checks that the component was installed under its own file name.
#pragma once

#include <string_view>

namespace foo_brivanto {

// The file-name part of `path` (after the last "\", "/", "|" or ":") equals `expected`, byte
// for byte.
bool has_file_name(std::string_view path, std::string_view expected);

}  // namespace foo_brivanto
