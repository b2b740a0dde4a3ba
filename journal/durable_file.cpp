// What the durable-file layer shares between the platforms: the names of files set aside, and
// reading a whole file with a cap.
#include "journal/durable_file.h"

#include <algorithm>

namespace foo_brivanto {

std::string concat(std::initializer_list<std::string_view> parts) {
  std::size_t size = 0;
  for (const std::string_view part : parts) {
    size += part.size();
  }
  std::string text;
  text.reserve(size);
  for (const std::string_view part : parts) {
    text += part;
  }
  return text;
}

std::string aside_path(const std::string& path, const std::string& label, int number) {
  const std::string suffix = concat({"-", label, "-", std::to_string(number)});
  const std::size_t name_start = path.find_last_of("/\\");
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (name_start != std::string::npos && dot < name_start) ||
      dot == (name_start == std::string::npos ? 0 : name_start + 1)) {
    return concat({path, suffix});  // no extension (a leading dot starts a name, not an extension)
  }
  const std::string_view whole = path;
  return concat({whole.substr(0, dot), suffix, whole.substr(dot)});
}

ReadOutcome read_whole(
    std::uint64_t size, std::size_t max_bytes, std::string& bytes, std::uint64_t& read_size,
    const std::function<std::int64_t(char* into, std::size_t count)>& read_some) {
  bytes.clear();
  read_size = size;
  if (size > max_bytes) {
    return ReadOutcome::too_big;
  }
  // One byte more than the file holds, to see it end (or grow past the cap meanwhile).
  std::size_t filled = 0;
  bytes.resize(static_cast<std::size_t>(size) + 1);
  for (;;) {
    if (filled == bytes.size()) {
      if (filled > max_bytes) {
        bytes.clear();
        read_size = filled;
        return ReadOutcome::too_big;
      }
      bytes.resize(std::min(filled * 2, max_bytes + 1));
    }
    const std::int64_t got = read_some(bytes.data() + filled, bytes.size() - filled);
    if (got < 0) {
      bytes.clear();
      return ReadOutcome::failed;
    }
    if (got == 0) {
      break;
    }
    filled += static_cast<std::size_t>(got);
  }
  bytes.resize(filled);
  read_size = filled;
  return ReadOutcome::read;
}

}  // namespace foo_brivanto
