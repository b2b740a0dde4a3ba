// Replaces operator new in a benchmark program to count its heap allocations.
#include "scrobbler/benchmark_allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long long> g_allocations{0};

}  // namespace

// The replacement allocation functions must sit on malloc and free.
// NOLINTBEGIN(cppcoreguidelines-no-malloc)
void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) {
    return p;
  }
  throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
  std::free(p);
}

void operator delete(void* p, std::size_t /*size*/) noexcept {
  std::free(p);
}
// NOLINTEND(cppcoreguidelines-no-malloc)

namespace foo_brivanto {

long long allocation_count() {
  return g_allocations.load(std::memory_order_relaxed);
}

}  // namespace foo_brivanto
