// What the HTTP tests ask of Linux: threads counted from /proc.
#include <filesystem>
#include <iterator>

#include "http/test_support/platform.h"

namespace foo_brivanto {

int process_thread_count() {
  const std::filesystem::directory_iterator tasks("/proc/self/task");
  return static_cast<int>(std::distance(begin(tasks), end(tasks)));
}

bool under_wine() {
  return false;
}

}  // namespace foo_brivanto
