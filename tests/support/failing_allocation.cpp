// The allocation functions of test programs that make memory run out on demand
// (failing_allocation.h). The program's own operator new and delete replace the library's.
#include "tests/support/failing_allocation.h"

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

thread_local bool t_fail_next = false;

}  // namespace

namespace brivanto_test {

void fail_next_allocation() {
  t_fail_next = true;
}

bool take_pending_allocation_failure() {
  const bool pending = t_fail_next;
  t_fail_next = false;
  return pending;
}

}  // namespace brivanto_test

void* operator new(std::size_t size) {
  if (t_fail_next) {
    t_fail_next = false;
    throw std::bad_alloc();
  }
  if (void* memory = std::malloc(size == 0 ? 1 : size)) {  // NOLINT(*-no-malloc)
    return memory;
  }
  throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
  std::free(memory);  // NOLINT(*-no-malloc)
}

void operator delete(void* memory, std::size_t /*size*/) noexcept {
  std::free(memory);  // NOLINT(*-no-malloc)
}
