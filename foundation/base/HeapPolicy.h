#pragma once
// How the program's heap treats freed memory. By default the C library hands freed memory at the
// top of the heap back to the system almost at once and maps every large allocation afresh, so a
// program that builds and drops large record stores and object trees faults the same pages in
// again and again. KeepFreedMemory keeps up to kKeptFreeBytes of freed memory in the process and
// maps separately only allocations of kOwnMappingBytes or more.
//
// Called once by olv::StartUp on the main thread before other threads start; benchmarks call it
// at the start of each fresh process they measure in.
#include <cstddef>

namespace olv {

inline constexpr std::size_t kKeptFreeBytes = std::size_t{128} << 20;
inline constexpr std::size_t kOwnMappingBytes = std::size_t{32} << 20;

void KeepFreedMemory();

}  // namespace olv
