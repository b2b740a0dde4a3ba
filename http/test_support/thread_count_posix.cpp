// Thread counts on Linux, from /proc.
#include <filesystem>
#include <iterator>

#include "http/test_support/thread_count.h"

namespace foo_brivanto {

int process_thread_count() {
  const std::filesystem::directory_iterator tasks("/proc/self/task");
  return static_cast<int>(std::distance(begin(tasks), end(tasks)));
}

bool pending_calls_end_at_limit() {
  return true;
}

}  // namespace foo_brivanto
