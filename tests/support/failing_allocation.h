// Memory that runs out on demand, for tests of what a failed allocation does. A test program
// that links failing_allocation.cpp gets its own allocation functions: malloc and free, except
// that the next allocation of a thread fails with std::bad_alloc once fail_next_allocation() has
// been called on that thread.
#pragma once

namespace brivanto_test {

void fail_next_allocation();

// Whether the failure asked for on this thread is still to come (nothing has allocated since);
// clears it.
bool take_pending_allocation_failure();

}  // namespace brivanto_test
