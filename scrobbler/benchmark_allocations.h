// Counts the heap allocations of a whole benchmark program (operator new), so that a benchmark
// can show that a path allocates nothing. Link benchmark_allocations.cpp to replace operator new.
#pragma once

namespace foo_brivanto {

// Allocations through operator new since the program started.
long long allocation_count();

}  // namespace foo_brivanto
