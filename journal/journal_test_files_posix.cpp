// A file unwritable to this process, on POSIX (journal_test_files.h).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>

#include "journal/journal_test_files.h"

namespace brivanto_test {

namespace {
constexpr uid_t kNobody = 65534;
}

Unwritable::Unwritable(std::string path) : path_(std::move(path)) {
  chmod(path_.c_str(), 0444);
  if (geteuid() == 0 && seteuid(kNobody) == 0) {
    state_ = this;  // the effective user is to be given back
  }
}

Unwritable::~Unwritable() {
  if (state_ != nullptr && seteuid(0) != 0) {
    std::abort();  // the remaining tests would run without root's rights
  }
  chmod(path_.c_str(), 0644);
}

}  // namespace brivanto_test
