#include "tests/effect/CountedAllocation.h"

#include <cstdlib>
#include <new>

namespace brisko::testing {

std::atomic<long> allocations{0};
std::atomic<long> liveBlocks{0};
std::atomic<long> failingAllocation{0};

namespace {
void release(void* p) noexcept {
  if (!p) return;
  liveBlocks.fetch_sub(1, std::memory_order_relaxed);
  std::free(p);
}
}  // namespace

}  // namespace brisko::testing

using brisko::testing::allocations;
using brisko::testing::failingAllocation;
using brisko::testing::liveBlocks;
using brisko::testing::release;

void* operator new(std::size_t size) {
  const long number = allocations.fetch_add(1, std::memory_order_relaxed) + 1;
  if (number == failingAllocation.load(std::memory_order_relaxed)) throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) {
    liveBlocks.fetch_add(1, std::memory_order_relaxed);
    return p;
  }
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }
