// Counts the heap allocations of the whole program (operator new), for benchmarks that must
// show that a path allocates nothing. Link allocation_counter.cpp to replace operator new.
#pragma once

namespace brivanto_test {

// Allocations through operator new since the program started.
long long allocation_count();

}  // namespace brivanto_test
