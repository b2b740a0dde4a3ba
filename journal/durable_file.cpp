// What the durable-file layer shares between the platforms: the names of files set aside.
#include "journal/durable_file.h"

namespace foo_brivanto {

std::string aside_path(const std::string& path, const std::string& label, int number) {
  const std::string suffix = "-" + label + "-" + std::to_string(number);
  const std::size_t name_start = path.find_last_of("/\\");
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (name_start != std::string::npos && dot < name_start) ||
      dot == (name_start == std::string::npos ? 0 : name_start + 1)) {
    return path + suffix;  // no extension (a leading dot starts a name, not an extension)
  }
  return path.substr(0, dot) + suffix + path.substr(dot);
}

}  // namespace foo_brivanto
