// The block arena: blocks apart and aligned across regions of every size, a freed block reused for
// its own size only, a block larger than any region, and release of everything at once.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "dataaccess/BlockArena.h"

namespace da {
namespace {

struct Held {
  unsigned char* p;
  std::size_t bytes;
  unsigned char fill;
};

bool Intact(const Held& h) {
  for (std::size_t i = 0; i < h.bytes; ++i)
    if (h.p[i] != h.fill) return false;
  return true;
}

TEST(TBlockArena, BlocksStayApartAndAlignedAcrossRegions) {
  // Sizes as stores make them (header plus items), one odd; enough of them to reach the large,
  // separately mapped regions. Freed blocks come back for their own size in between.
  std::mt19937 rng(7);
  const std::size_t sizes[] = {752, 992, 8, 4040, 70001};
  TBlockArena arena;
  std::vector<Held> held;
  std::size_t total = 0;
  while (total < (std::size_t{6} << 20)) {
    const std::size_t bytes = sizes[rng() % std::size(sizes)];
    if (!held.empty() && rng() % 4 == 0) {
      const std::size_t at = rng() % held.size();
      ASSERT_TRUE(Intact(held[at])) << "a block was overwritten";
      arena.Deallocate(held[at].p, held[at].bytes);
      held.erase(held.begin() + static_cast<std::ptrdiff_t>(at));
      continue;
    }
    auto* p = static_cast<unsigned char*>(arena.Allocate(bytes));
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(p) % TBlockArena::kAlignment, 0u);
    const auto fill = static_cast<unsigned char>(rng());
    std::memset(p, fill, bytes);
    held.push_back({p, bytes, fill});
    total += bytes;
  }
  EXPECT_GT(arena.RegionCount(), 8u);
  EXPECT_GE(arena.ReservedBytes(), std::size_t{4} << 20);
  for (const Held& h : held) ASSERT_TRUE(Intact(h)) << "a block was overwritten";
}

TEST(TBlockArena, AFreedBlockIsHandedOutAgainForItsOwnSizeOnly) {
  TBlockArena arena;
  void* a = arena.Allocate(1000);
  void* b = arena.Allocate(1000);
  arena.Deallocate(a, 1000);
  void* other = arena.Allocate(2000);
  EXPECT_NE(other, a);
  EXPECT_EQ(arena.Allocate(1000), a);
  EXPECT_NE(arena.Allocate(1000), a);  // taken: a fresh one
  arena.Deallocate(b, 1000);
  arena.Deallocate(other, 2000);
  EXPECT_EQ(arena.Allocate(2000), other);
  EXPECT_EQ(arena.Allocate(1000), b);
}

TEST(TBlockArena, ABlockLargerThanAnyRegionGetsOneOfItsOwn) {
  TBlockArena arena;
  const std::size_t bytes = TBlockArena::kLargestRegionBytes + 12345;
  auto* small = static_cast<unsigned char*>(arena.Allocate(64));
  auto* large = static_cast<unsigned char*>(arena.Allocate(bytes));
  large[0] = 1;
  large[bytes - 1] = 2;  // both ends are the block's
  std::memset(small, 3, 64);
  EXPECT_EQ(large[0], 1);
  EXPECT_EQ(large[bytes - 1], 2);
  EXPECT_EQ(arena.RegionCount(), 2u);
  EXPECT_GE(arena.ReservedBytes(), bytes);
}

TEST(TBlockArena, ReleaseGivesEveryRegionBackAndStartsOver) {
  TBlockArena arena;
  for (int i = 0; i < 5000; ++i) arena.Allocate(1000);
  void* freed = arena.Allocate(1000);
  arena.Deallocate(freed, 1000);
  ASSERT_GT(arena.RegionCount(), 5u);
  arena.Release();
  EXPECT_EQ(arena.RegionCount(), 0u);
  EXPECT_EQ(arena.ReservedBytes(), 0u);
  // No free block survives the release: the next one comes from a first small region again.
  auto* p = static_cast<unsigned char*>(arena.Allocate(1000));
  std::memset(p, 0, 1000);
  EXPECT_EQ(arena.RegionCount(), 1u);
  EXPECT_EQ(arena.ReservedBytes(), TBlockArena::kFirstRegionBytes);
}

}  // namespace
}  // namespace da
