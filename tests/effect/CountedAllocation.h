#pragma once

// The global allocation functions of a test program that links
// CountedAllocation.cpp: they count every allocation of the process and fail
// a chosen one, as a failing malloc under operator new would.

#include <atomic>

namespace brisko::testing {

// Allocations made so far.
extern std::atomic<long> allocations;
// Blocks allocated and not yet freed.
extern std::atomic<long> liveBlocks;
// The number of the allocation that throws std::bad_alloc; 0 for none.
extern std::atomic<long> failingAllocation;

}  // namespace brisko::testing
