#pragma once
// TBlockArena: the memory of one block manager's item blocks. Blocks are carved one after another
// from regions that double in size (16 KB up to 64 MB), so that a store of millions of rows makes
// a few dozen allocations and gives them all back at once when it is freed, instead of one heap
// allocation and one free per block. Regions of 2 MB and more are mapped on their own, aligned to
// and advised for the system's large pages: filling them takes one page fault per 2 MB rather
// than per 4 KB, and unmapping them at the end costs next to nothing. A freed block is kept for
// the next block of the same size, as a store reuses its block size throughout.
//
// Under AddressSanitizer the regions come from the heap instead (so that LeakSanitizer follows the
// pointers records hold) and every byte outside a handed-out block is poisoned.
//
// Ownership: the arena owns its regions; Release (or destruction) gives them all back, whatever
// blocks are still out. One thread at a time (its block manager's).
#include <cstddef>
#include <vector>

namespace da {

class TBlockArena {
 public:
  static constexpr std::size_t kFirstRegionBytes = std::size_t{16} << 10;
  static constexpr std::size_t kLargestRegionBytes = std::size_t{64} << 20;
  static constexpr std::size_t kLargePageBytes = std::size_t{2} << 20;
  static constexpr std::size_t kAlignment = 16;

  TBlockArena() = default;
  ~TBlockArena() { Release(); }
  TBlockArena(const TBlockArena&) = delete;
  TBlockArena& operator=(const TBlockArena&) = delete;

  // bytes (more than 0) aligned to kAlignment; std::bad_alloc when the system has no more.
  void* Allocate(std::size_t bytes);
  // A block from Allocate with the same size; kept for the next Allocate of that size.
  void Deallocate(void* block, std::size_t bytes) noexcept;
  void Release();

  std::size_t RegionCount() const { return regions_.size(); }
  // Bytes of all regions (address space; pages never written take no memory).
  std::size_t ReservedBytes() const;

 private:
  struct Region {
    std::byte* base;
    std::size_t size;
    bool mapped;  // mapped on its own (else from the heap)
  };
  struct FreeList {
    std::size_t bytes;
    void* first;  // each free block holds the address of the next one
  };

  void AddRegion(std::size_t atLeast);

  std::vector<Region> regions_;
  std::vector<FreeList> freeLists_;
  std::byte* cursor_ = nullptr;  // the unused rest of the newest region
  std::byte* limit_ = nullptr;
  std::size_t nextRegionBytes_ = kFirstRegionBytes;
};

}  // namespace da
