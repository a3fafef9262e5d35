#pragma once
// A benchmark's count of heap allocations: the program's operator new counts each call in
// gAllocations and takes its memory from malloc. Include it in the one source file of a benchmark
// program (it replaces the program's operator new and delete); read the count from any thread.
#include <atomic>
#include <cstdlib>
#include <new>

inline std::atomic<long long> gAllocations{0};

void* operator new(std::size_t n) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
// The counting operator new takes its memory from malloc, so free is the matching release; the
// compiler cannot see that inside the replacement itself.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop
