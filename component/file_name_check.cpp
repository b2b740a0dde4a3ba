#include "component/file_name_check.h"

namespace foo_brivanto {

bool has_file_name(std::string_view path, std::string_view expected) {
  const std::size_t separator = path.find_last_of("\\/|:");
  const std::string_view name =
      separator == std::string_view::npos ? path : path.substr(separator + 1);
  return name == expected;
}

}  // namespace foo_brivanto
