// Item blocks: order of hand-out, block return on the last free, flags, and a randomised run
// against a live set.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "dataaccess/BlockManager.h"
#include "dataaccess/DAErrors.h"

namespace da {
namespace {

int CountFree(const TBlockManager& m) {
  int n = 0;
  for (TItemHeader* i = m.FirstFree(); i; i = i->Next) ++n;
  return n;
}

int CountBlocks(const TBlockManager& m) {
  int n = 0;
  for (TBlockHeader* b = m.FirstBlock(); b; b = b->Next) ++n;
  return n;
}

TEST(TBlockManager, FreshBlockHandsOutItemsInAscendingOrder) {
  TBlockManager m;
  m.RecordSize = 13;
  std::vector<TItemHeader*> items(10);
  for (auto& item : items) m.AllocItem(item);
  EXPECT_EQ(CountBlocks(m), 1);
  EXPECT_EQ(CountFree(m), 0);
  for (std::size_t i = 1; i < items.size(); ++i) EXPECT_GT(items[i], items[i - 1]);
  for (auto* item : items) {
    EXPECT_EQ(item->Flag, kFlagUsed);
    EXPECT_EQ(item->Rollback, nullptr);
    EXPECT_EQ(item->UpdateStatus, 0);
    EXPECT_EQ(item->UpdateResult, kNoUpdateResult);
    EXPECT_EQ(item->Order, 0);
    EXPECT_EQ(item->Block, items[0]->Block);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(TBlockManager::GetRecordPtr(item)) % alignof(void*), 0u);
  }
  EXPECT_EQ(items[0]->Block->UsedItems, 10);
  TItemHeader* eleventh;
  m.AllocItem(eleventh);
  EXPECT_EQ(CountBlocks(m), 2);
  EXPECT_EQ(CountFree(m), 9);
  m.FreeItem(eleventh);
  for (auto* item : items) m.FreeItem(item);
}

TEST(TBlockManager, LastFreedItemReturnsItsBlock) {
  TBlockManager m;
  m.RecordSize = 8;
  TItemHeader *a, *b;
  m.AllocItem(a);
  m.AllocItem(b);
  EXPECT_EQ(CountFree(m), 8);
  m.FreeItem(a);
  EXPECT_EQ(CountFree(m), 9);
  EXPECT_EQ(CountBlocks(m), 1);
  m.FreeItem(b);  // the block goes, and its free items vanish from the free list
  EXPECT_EQ(CountBlocks(m), 0);
  EXPECT_EQ(CountFree(m), 0);
  TItemHeader* c;
  m.AllocItem(c);  // a fresh block
  EXPECT_EQ(CountBlocks(m), 1);
  m.FreeItem(c);
}

TEST(TBlockManager, FreeAllAfterTheOldestBlockWentFreesTheRest) {
  TBlockManager m;
  m.RecordSize = 8;
  std::vector<TItemHeader*> items(30);
  for (auto& item : items) m.AllocItem(item);
  for (int i = 0; i < 10; ++i) m.FreeItem(items[static_cast<std::size_t>(i)]);  // the oldest block goes
  EXPECT_EQ(CountBlocks(m), 2);
  m.FreeAll();
  EXPECT_EQ(m.FirstBlock(), nullptr);
  EXPECT_EQ(m.FirstFree(), nullptr);
  TItemHeader* again;
  m.AllocItem(again);  // the manager starts over; its destructor frees this block
  EXPECT_EQ(CountBlocks(m), 1);
}

TEST(TBlockManager, FlagsCatchDoubleFreeAndForeignBlocks) {
  TBlockManager m;
  m.RecordSize = 4;
  TItemHeader *a, *b;
  m.AllocItem(a);
  m.AllocItem(b);
  m.FreeItem(a);
  EXPECT_THROW(m.FreeItem(a), EAssertionFailed);
  TBlockHeader fake{};
  fake.Flag = 7;
  EXPECT_THROW(m.FreeBlock(&fake), EAssertionFailed);
  m.FreeItem(b);
}

TEST(TBlockManager, RecordsCopyInAndOut) {
  TBlockManager m;
  m.RecordSize = 21;
  TItemHeader *a, *b;
  m.AllocItem(a);
  m.AllocItem(b);
  char in[21], out[21];
  for (int i = 0; i < 21; ++i) in[i] = static_cast<char>('a' + i);
  m.PutRecord(a, in);
  m.CopyRecord(a, b);
  m.GetRecord(b, out);
  EXPECT_EQ(std::memcmp(in, out, 21), 0);
  m.FreeItem(a);
  m.FreeItem(b);
}

TEST(TBlockManager, WholeBlockForAnArrayFetch) {
  TBlockManager m;
  m.RecordSize = 16;
  TBlockHeader* block;
  m.AllocBlock(block, 50);
  EXPECT_EQ(block->ItemCount, 50);
  EXPECT_EQ(block->UsedItems, 50);
  EXPECT_EQ(block->Flag, kFlagFree);
  EXPECT_EQ(m.FirstBlock(), block);
  // The fetch fills the items itself, then frees them one by one like any other.
  for (int i = 0; i < 50; ++i) {
    TItemHeader* item = m.BlockItem(block, i);
    item->Block = block;
    item->Flag = kFlagUsed;
    std::memset(TBlockManager::GetRecordPtr(item), i, 16);
  }
  for (int i = 0; i < 50; ++i) m.FreeItem(m.BlockItem(block, i));
  EXPECT_EQ(CountBlocks(m), 0);
  EXPECT_EQ(CountFree(m), 0);
}

TEST(TBlockManager, RandomRunsAgainstALiveSet) {
  for (unsigned seed = 1; seed <= 8; ++seed) {
    std::mt19937 rng(seed);
    TBlockManager m;
    m.RecordSize = 1 + seed * 7;
    m.DefaultItemCount = static_cast<std::uint16_t>(1 + seed % 5 * 3);
    std::map<TItemHeader*, unsigned char> live;
    auto recordOk = [&](TItemHeader* item, unsigned char fill) {
      auto* r = static_cast<unsigned char*>(TBlockManager::GetRecordPtr(item));
      for (std::uint32_t i = 0; i < m.RecordSize; ++i)
        if (r[i] != fill) return false;
      return true;
    };
    for (int step = 0; step < 5000; ++step) {
      if (rng() % 100 < 55 || live.empty()) {
        TItemHeader* item;
        m.AllocItem(item);
        ASSERT_EQ(live.count(item), 0u);
        auto fill = static_cast<unsigned char>(rng());
        std::memset(TBlockManager::GetRecordPtr(item), fill, m.RecordSize);
        live[item] = fill;
      } else {
        auto it = live.begin();
        std::advance(it, rng() % live.size());
        ASSERT_TRUE(recordOk(it->first, it->second)) << "record overwritten, seed " << seed;
        m.FreeItem(it->first);
        live.erase(it);
      }
      if (step % 500 == 0) {
        // Every block holds live items, and the used counts add up to the live set.
        int used = 0, total = 0;
        for (TBlockHeader* b = m.FirstBlock(); b; b = b->Next) {
          ASSERT_GT(b->UsedItems, 0);
          used += b->UsedItems;
          total += b->ItemCount;
        }
        ASSERT_EQ(used, static_cast<int>(live.size()));
        ASSERT_EQ(CountFree(m), total - used);
      }
    }
    for (auto& [item, fill] : live) ASSERT_TRUE(recordOk(item, fill));
  }
}

}  // namespace
}  // namespace da
