#include "dataaccess/BlockArena.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/Sanitizers.h"
#if ORASCHEME_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace da {

namespace {

constexpr std::size_t RoundUp(std::size_t n, std::size_t unit) { return (n + unit - 1) / unit * unit; }

#if ORASCHEME_ASAN
constexpr bool kSanitized = true;
void Poison(void* p, std::size_t n) { ASAN_POISON_MEMORY_REGION(p, n); }
void Unpoison(void* p, std::size_t n) { ASAN_UNPOISON_MEMORY_REGION(p, n); }
#else
constexpr bool kSanitized = false;
void Poison(void*, std::size_t) {}
void Unpoison(void*, std::size_t) {}
#endif

// size bytes (a multiple of the large page) at an address aligned to it, advised for large pages.
std::byte* MapLargePages(std::size_t size) {
  constexpr std::size_t page = TBlockArena::kLargePageBytes;
  void* raw = ::mmap(nullptr, size + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::size_t head = RoundUp(start, page) - start;
  auto* base = static_cast<std::byte*>(raw) + head;
  if (head > 0) ::munmap(raw, head);
  ::munmap(base + size, page - head);
  // Without large pages (switched off, or none free) the system keeps to small ones.
  ::madvise(base, size, MADV_HUGEPAGE);
  return base;
}

}  // namespace

void* TBlockArena::Allocate(std::size_t bytes) {
  bytes = RoundUp(std::max<std::size_t>(bytes, sizeof(void*)), kAlignment);
  for (FreeList& list : freeLists_) {
    if (list.bytes != bytes || !list.first) continue;
    void* block = list.first;
    Unpoison(block, bytes);
    std::memcpy(&list.first, block, sizeof(void*));
    return block;
  }
  if (static_cast<std::size_t>(limit_ - cursor_) < bytes) AddRegion(bytes);
  void* block = cursor_;
  cursor_ += bytes;
  Unpoison(block, bytes);
  return block;
}

void TBlockArena::Deallocate(void* block, std::size_t bytes) noexcept {
  if (!block) return;
  bytes = RoundUp(std::max<std::size_t>(bytes, sizeof(void*)), kAlignment);
  auto list = std::find_if(freeLists_.begin(), freeLists_.end(), [&](const FreeList& l) { return l.bytes == bytes; });
  if (list == freeLists_.end()) {
    try {
      list = freeLists_.insert(freeLists_.end(), FreeList{bytes, nullptr});
    } catch (const std::bad_alloc&) {
      Poison(block, bytes);  // not kept: it stays unused in its region until the release
      return;
    }
  }
  std::memcpy(block, &list->first, sizeof(void*));
  list->first = block;
  Poison(block, bytes);
}

void TBlockArena::AddRegion(std::size_t atLeast) {
  std::size_t size = std::max(nextRegionBytes_, RoundUp(atLeast, kAlignment));
  const bool mapped = !kSanitized && size >= kLargePageBytes;
  regions_.reserve(regions_.size() + 1);  // so that recording the region cannot fail and lose it
  std::byte* base;
  if (mapped) {
    size = RoundUp(size, kLargePageBytes);
    base = MapLargePages(size);
  } else {
    base = static_cast<std::byte*>(std::malloc(size));
    if (!base) throw std::bad_alloc();
    Poison(base, size);
  }
  regions_.push_back(Region{base, size, mapped});
  cursor_ = base;
  limit_ = base + size;
  nextRegionBytes_ = std::min(nextRegionBytes_ * 2, kLargestRegionBytes);
}

void TBlockArena::Release() {
  for (const Region& region : regions_) {
    if (region.mapped) {
      ::munmap(region.base, region.size);
    } else {
      Unpoison(region.base, region.size);
      std::free(region.base);
    }
  }
  regions_.clear();
  freeLists_.clear();
  cursor_ = limit_ = nullptr;
  nextRegionBytes_ = kFirstRegionBytes;
}

std::size_t TBlockArena::ReservedBytes() const {
  std::size_t total = 0;
  for (const Region& region : regions_) total += region.size;
  return total;
}

}  // namespace da
