#pragma once

#include <cstdint>

namespace qm::bench {

// Heap allocations (malloc, calloc, realloc) made by the whole process so far, Qt's included.
// The benchmark executable that links AllocationCounter.cpp replaces the C allocator's entry
// points with counting ones that forward to glibc's own.
std::int64_t allocationCount();

} // namespace qm::bench
