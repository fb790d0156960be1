// Counts the process's global operator new calls, so a benchmark can show that a pass allocates
// nothing. Storage comes from malloc and goes back to free, as the library's own operators do.
#include <atomic>
#include <cstdlib>
#include <new>

#include "bench/kit.h"

namespace {

std::atomic<std::size_t> allocations{0};

void* Allocate(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace bench {

std::size_t Allocations() { return allocations.load(std::memory_order_relaxed); }

}  // namespace bench
